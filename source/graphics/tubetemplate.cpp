#include "graphics/tubetemplate.h"

namespace {
constexpr float kTwoPi = 6.2831855f;
}

bool TubeShapeValid(int rings, int sides) {
    return rings >= 2 && sides >= 1 && int64_t(rings) * sides <= 65536;
}

std::vector<SVertexDesc> BuildTubeVertices(int rings, int sides, const RadiusProfile& profile) {
    std::vector<SVertexDesc> vertices;
    if (!TubeShapeValid(rings, sides)) return vertices;
    vertices.reserve(size_t(rings) * sides);
    for (int r = 0; r < rings; ++r) {
        const float u = float(r) / float(rings - 1);
        const float radius = profile ? profile(1.0f - u) : 1.0f;
        for (int k = 0; k < sides; ++k) {
            SVertexDesc v{};
            v.position = {u, -kTwoPi * float(k) / float(sides), radius};
            vertices.push_back(v);
        }
    }
    return vertices;
}

std::vector<uint16_t> BuildTubeIndices(int rings, int sides) {
    std::vector<uint16_t> indices;
    if (!TubeShapeValid(rings, sides)) return indices;
    indices.reserve(size_t(6) * (rings - 1) * sides);
    for (int r = 0; r + 1 < rings; ++r) {
        const int ring = r * sides, next = (r + 1) * sides;
        for (int k = 0; k < sides; ++k) {
            const int k1 = (k + 1) % sides;
            const int quad[6] = {ring + k, ring + k1, next + k1, ring + k, next + k1, next + k};
            for (int index : quad) indices.push_back(uint16_t(index));
        }
    }
    return indices;
}
