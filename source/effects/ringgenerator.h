#pragma once
// Places copies of a model on randomised rings around a centre: each ring gets a number of
// copies, a scale, a radius and an offset along the ring axis from a seeded random
// sequence, so the same settings always give the same rings.
#include <cstddef>
#include <vector>

#include <glm/mat4x4.hpp>

#include "system/vec.h"

namespace Effects {

class Effect;

struct RingSettings {
    vec3 position;
    // Whole numbers read as doubles (so they can be keyframed), truncated toward zero when
    // the rings are made; non-finite values count as 0.
    double rings = 0.0;
    double seed = 0.0;
    double cubesMin = 2.0;
    double cubesMax = 2.0;
    float scaleMin = 0.1f;
    float scaleMax = 0.5f;
    float radiusMin = 1.0f;
    float radiusMax = 5.0f;
    float yMax = 10.0f;
    float rotation = 0.0f;  // degrees
};

// The settings an effect's parameters give at `time`.
RingSettings ReadRingSettings(const Effect& effect, double time);

// Appends one transposed world matrix per copy (the copy count is interpolated in single
// precision and truncated, so equal bounds can give one copy fewer), S(scale) x T(0, radius, offset) x
// Rz(angle) x T(position), until `instances` holds `limit` matrices. Returns false when the
// limit cut the rings short.
bool GenerateRings(const RingSettings& settings, std::vector<glm::mat4>& instances, size_t limit);

}  // namespace Effects
