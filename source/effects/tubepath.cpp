#include "effects/tubepath.h"

#include <algorithm>
#include <cmath>

#include "system/random.h"

namespace Effects {

TubeControls MakeTubeControls(const glm::vec2& a, const glm::vec2& b, const TubeShape& shape, uint32_t& state,
                              float* speed) {
    *speed = 4.0f + 2.0f * RandomDraw(state);
    const float fz = 0.15f + 0.1f * RandomDraw(state);
    const float fx = 0.15f + 0.1f * RandomDraw(state);
    const float oz = (2.0f * RandomDraw(state) - 1.0f) * shape.midHeightRange1;
    const float h1 = shape.midHeight1 + (2.0f * RandomDraw(state) - 1.0f) * shape.midHeightRange1;
    const float ox = (2.0f * RandomDraw(state) - 1.0f) * shape.midHeightRange1;
    for (int i = 0; i < 3; ++i) RandomDraw(state);  // taken and not used
    const float h2 = shape.midHeight2 + (2.0f * RandomDraw(state) - 1.0f) * shape.midHeightRange2;
    RandomDraw(state);  // taken and not used

    const glm::vec3 mid{a.x + fx * (b.x - a.x) + ox, h1, a.y + fz * (b.y - a.y) + oz};
    return {glm::vec3{a.x, -50.0f, a.y}, glm::vec3{a.x, -50.0f, a.y}, glm::vec3{a.x, -50.0f, a.y},
            glm::vec3{a.x, 0.0f, a.y},   glm::vec3{a.x, h1, a.y},     mid,
            glm::vec3{b.x, h2, b.y},     glm::vec3{b.x, 0.0f, b.y},   glm::vec3{b.x, -100.0f, b.y},
            glm::vec3{b.x, -100.0f, b.y}};
}

glm::vec3 CatmullRom(const glm::vec3& p0, const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3, float t) {
    const float t2 = t * t, t3 = t2 * t;
    return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t2 +
                   (3.0f * p1 - p0 - 3.0f * p2 + p3) * t3);
}

void MakeStrand(const TubeControls& controls, float variance, uint32_t& state, StrandPoints& out) {
    TubeControls jittered = controls;
    for (int i = 0; i < kTubeControlPoints; ++i) {
        if (i >= 4 && i <= 6) {
            jittered[i].z += RandomDraw(state) * variance - variance / 2.0f;
            jittered[i].y += RandomDraw(state) * variance - variance / 2.0f;
            jittered[i].x += RandomDraw(state) * variance - variance / 2.0f;
        } else {
            jittered[i].y += 30.0f * RandomDraw(state) - 15.0f;
        }
    }

    const float phase = RandomDraw(state);
    constexpr float kSegment = 1.0f / float(kTubeControlPoints - 3);
    for (int j = 0; j < kTubePoints; ++j) {
        const float s = std::min(phase + float(j), 100.0f) / 100.0f;
        // s stays below 1, so k stays below 7; the clamp only guards the rounding.
        const int k = std::clamp(int(std::floor(s / kSegment)), 0, kTubeControlPoints - 4);
        const float t = std::fmod(s, kSegment) / kSegment;
        const glm::vec3 p = CatmullRom(jittered[k], jittered[k + 1], jittered[k + 2], jittered[k + 3], t);
        out[j] = glm::vec4(p, 0.0f);
    }
}

bool TubeHead(const StrandPoints& points, float u, float length, glm::vec3* head) {
    const float position = u + length;
    // Truncation toward zero: positions in (-1, 0) still give point 0.
    if (!(position > -1.0f) || !(position < float(kTubePoints))) return false;
    const int k = int(position);
    const int next = std::min(k + 1, kTubePoints - 1);
    const float f = u - std::floor(u);
    *head = glm::vec3((1.0f - f) * points[k] + f * points[next]);
    return true;
}

}  // namespace Effects
