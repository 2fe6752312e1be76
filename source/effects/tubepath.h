#pragma once
// The path of one Connections tube: ten control points from a source hub down in the
// ground, up over an arc and down into the target hub; ten strands jittered around them and
// resampled to 100 points each along a Catmull-Rom spline; and the head point that runs
// along the first strand.
#include <array>
#include <cstdint>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

namespace Effects {

constexpr int kTubeStrands = 10;
constexpr int kTubePoints = 100;
constexpr int kTubeControlPoints = 10;

using TubeControls = std::array<glm::vec3, kTubeControlPoints>;
using StrandPoints = std::array<glm::vec4, kTubePoints>;

struct TubeShape {
    float midHeight1 = 50.0f, midHeightRange1 = 10.0f;
    float midHeight2 = 40.0f, midHeightRange2 = 3.0f;
    float midPointVariance = 20.0f;
};

// The control points of a tube from hub a to hub b (hubs are (x, z)), with its speed in
// sample points per unit of time. Takes eleven draws.
TubeControls MakeTubeControls(const glm::vec2& a, const glm::vec2& b, const TubeShape& shape, uint32_t& state,
                              float* speed);

// One strand: the controls jittered (points 4-6 on all axes by +-variance/2, the others
// vertically by +-15), then resampled from a random phase. Takes seventeen draws.
void MakeStrand(const TubeControls& controls, float variance, uint32_t& state, StrandPoints& out);

// The standard Catmull-Rom spline through p1 (t = 0) and p2 (t = 1).
glm::vec3 CatmullRom(const glm::vec3& p0, const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3, float t);

// The head of a tube drawn at progress u with the given length: the point trunc(u + length)
// blended towards the next one by the fraction of u. False when that point lies outside the
// strand; the last point blends with itself.
bool TubeHead(const StrandPoints& points, float u, float length, glm::vec3* head);

}  // namespace Effects
