#pragma once
// The unit tube that filaments are drawn from: `rings` rings of `sides` vertices along
// u = 0..1, each vertex holding (u, angle, radius) in its position; a vertex shader bends it
// along a strand's centre line.
#include <cstdint>
#include <functional>
#include <vector>

#include "graphics/vertex.h"

// Profile: the tube's radius as a function of 1 - u (so f(1) is the radius at ring 0).
using RadiusProfile = std::function<float(float)>;

// False (and nothing built) unless rings >= 2, sides >= 1 and rings x sides <= 65,536,
// the most that 16-bit indices address.
bool TubeShapeValid(int rings, int sides);

// rings x sides vertices; vertex index = ring x sides + side.
std::vector<SVertexDesc> BuildTubeVertices(int rings, int sides, const RadiusProfile& profile);

// 6 x (rings - 1) x sides indices: two triangles per side between neighbouring rings, the
// last side closing back to side 0.
std::vector<uint16_t> BuildTubeIndices(int rings, int sides);
