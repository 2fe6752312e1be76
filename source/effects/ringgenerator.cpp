#include "effects/ringgenerator.h"

#include <cmath>
#include <cstdint>

#include "effects/effect.h"
#include "effects/numberparam.h"
#include "graphics/matrices.h"
#include "system/random.h"

namespace Effects {
namespace {

// Truncated toward zero and clamped to [lo, hi]; non-finite values give 0.
int64_t Truncate(double value, int64_t lo, int64_t hi) {
    if (!std::isfinite(value)) return 0;
    const double t = std::trunc(value);
    if (t < double(lo)) return lo;
    if (t > double(hi)) return hi;
    return int64_t(t);
}

}  // namespace

RingSettings ReadRingSettings(const Effect& effect, double time) {
    RingSettings s;
    s.position = effect.GetParamVec3("position", time, vec3{});
    s.rings = ReadNumber(effect, "rings", time, 0.0);
    s.seed = ReadNumber(effect, "seed", time, 0.0);
    s.cubesMin = ReadNumber(effect, "cubesMin", time, 2.0);
    s.cubesMax = ReadNumber(effect, "cubesMax", time, 2.0);
    s.scaleMin = float(effect.GetParamDouble("scaleMin", time, 0.1));
    s.scaleMax = float(effect.GetParamDouble("scaleMax", time, 0.5));
    s.radiusMin = float(effect.GetParamDouble("radiusMin", time, 1.0));
    s.radiusMax = float(effect.GetParamDouble("radiusMax", time, 5.0));
    s.yMax = float(effect.GetParamDouble("yMax", time, 10.0));
    s.rotation = float(effect.GetParamDouble("rotation", time, 0.0));
    return s;
}

bool GenerateRings(const RingSettings& settings, std::vector<glm::mat4>& instances, size_t limit) {
    // No pass can place more rings than the limit has room for copies; rings beyond that
    // would only spend time drawing random numbers.
    const int64_t rings = Truncate(settings.rings, 0, int64_t(limit));
    // The seed wraps like a 32-bit integer.
    uint32_t state = uint32_t(int32_t(Truncate(settings.seed, INT32_MIN, INT32_MAX)));
    const float cubesMin = float(Truncate(settings.cubesMin, INT32_MIN, INT32_MAX));
    const float cubesMax = float(Truncate(settings.cubesMax, INT32_MIN, INT32_MAX));
    const glm::mat4 base = MatrixTranslation(settings.position.x, settings.position.y, settings.position.z);
    const float rotation = settings.rotation * kDegreesToRadians;

    for (int64_t i = 0; i < rings; ++i) {
        const float u1 = RandomDraw(state);
        const float u2 = RandomDraw(state);
        const float u3 = RandomDraw(state);
        const float u4 = RandomDraw(state);
        const float copiesValue = (1.0f - u1) * cubesMin + u1 * cubesMax;
        const float scale = (1.0f - u2) * settings.scaleMin + u2 * settings.scaleMax;
        float radius = (1.0f - u3) * settings.radiusMin + u3 * settings.radiusMax;
        // A single ring has no spread to share out: it sits at offset 0.
        const float share = rings > 1 ? float(i) / float(rings - 1) : 0.0f;
        const float offset = (2.0f * u4 - 1.0f) * settings.yMax * share;
        if (std::fabs(offset) < 1.0f) radius += (1.0f - std::fabs(offset)) * 0.5f;

        const int64_t copies = Truncate(copiesValue, 0, int64_t(limit));
        if (copies == 0) continue;
        const glm::mat4 placed = MatrixMultiply(MatrixScaling(scale), MatrixTranslation(0.0f, radius, offset));
        for (int64_t j = 0; j < copies; ++j) {
            if (instances.size() >= limit) return false;
            const float angle = float(j) / float(copies) * 6.2831855f + rotation;
            const glm::mat4 world = MatrixMultiply(MatrixMultiply(placed, MatrixRotationZ(angle)), base);
            instances.push_back(MatrixTranspose(world));
        }
    }
    return true;
}

}  // namespace Effects
