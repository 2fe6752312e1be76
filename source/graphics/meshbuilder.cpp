#include "graphics/meshbuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// Hash of the 32 bytes of a vertex.
uint64_t HashVertex(const SVertexDesc& v) {
    uint64_t w[4];
    std::memcpy(w, &v, sizeof(w));
    uint64_t h = w[0] * 0x9E3779B97F4A7C15ull;
    h ^= Rotl(w[1] * 0xC2B2AE3D27D4EB4Full, 17);
    h ^= Rotl(w[2] * 0x165667B19E3779F9ull, 31);
    h ^= Rotl(w[3] * 0xD6E8FEB86659FD93ull, 47);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

bool SameBytes(const SVertexDesc& a, const SVertexDesc& b) { return std::memcmp(&a, &b, sizeof(SVertexDesc)) == 0; }

}  // namespace

static_assert(sizeof(SVertexDesc) == 32, "de-duplication hashes and compares 32-byte vertices");

vec3 FlatNormal(const vec3& p0, const vec3& p1, const vec3& p2) {
    // Double precision keeps thin triangles and large coordinates from under- or overflowing.
    const double ax = double(p1.x) - p0.x, ay = double(p1.y) - p0.y, az = double(p1.z) - p0.z;
    const double bx = double(p2.x) - p0.x, by = double(p2.y) - p0.y, bz = double(p2.z) - p0.z;
    const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0.0)) return {};
    return {float(nx / length), float(ny / length), float(nz / length)};
}

MeshBuilder::MeshBuilder(size_t maxPartVertices) : maxPartVertices_(std::max<size_t>(maxPartVertices, 3)) {}

void MeshBuilder::ResetTable(size_t expectedVertices) {
    size_t size = 16;
    while (size < expectedVertices * 2) size *= 2;
    if (slots_.size() < size) slots_.resize(size);
    std::fill(slots_.begin(), slots_.begin() + size, kEmpty);
    mask_ = size - 1;
}

uint32_t MeshBuilder::Find(const MeshPartData& part, const SVertexDesc& v, uint64_t hash, size_t* slot) const {
    size_t i = size_t(hash) & mask_;
    while (slots_[i] != kEmpty) {
        if (SameBytes(part.vertices[slots_[i]], v)) break;
        i = (i + 1) & mask_;
    }
    *slot = i;
    return slots_[i];
}

std::vector<MeshPartData> MeshBuilder::Build(const std::vector<ObjFace>& faces, const vec3* positions,
                                             size_t positionCount, const std::vector<vec2>& texcoords,
                                             const std::vector<vec3>& normals) {
    std::vector<MeshPartData> parts;
    if (faces.empty() || !positions) return parts;
    // A part never keeps more vertices than its faces expand to, nor more than the limit.
    const size_t expected = std::min(faces.size() * 3, maxPartVertices_);
    ResetTable(expected);
    MeshPartData part;
    part.vertices.reserve(expected);
    part.indices.reserve(faces.size() * 3);

    const size_t sizes[3] = {positionCount, texcoords.size(), normals.size()};
    for (const ObjFace& face : faces) {
        bool inRange = true;
        for (int i = 0; i < 9; ++i) inRange = inRange && face.index[i] >= 0 && size_t(face.index[i]) < sizes[i / 3];
        if (!inRange) continue;

        const vec3 flat = face.hasNormals ? vec3{}
                                          : FlatNormal(positions[face.index[0]], positions[face.index[1]],
                                                       positions[face.index[2]]);
        SVertexDesc v[3];
        uint64_t hash[3];
        static constexpr int kCornerOrder[3] = {0, 2, 1};
        for (int k = 0; k < 3; ++k) {
            const int c = kCornerOrder[k];
            v[k] = SVertexDesc{};  // zero every byte, padding included, before hashing
            v[k].position = positions[face.index[c]];
            v[k].texcoord = texcoords[face.index[3 + c]];
            v[k].normal = face.hasNormals ? normals[face.index[6 + c]] : flat;
            hash[k] = HashVertex(v[k]);
        }

        // Start a new part when this face's new vertices would not fit the current one.
        size_t slot;
        size_t added = 0;
        for (int k = 0; k < 3; ++k) {
            bool repeat = false;
            for (int j = 0; j < k; ++j) repeat = repeat || SameBytes(v[j], v[k]);
            if (!repeat && Find(part, v[k], hash[k], &slot) == kEmpty) ++added;
        }
        if (part.vertices.size() + added > maxPartVertices_) {
            parts.push_back(std::move(part));
            part = MeshPartData{};
            ResetTable(expected);
        }

        for (int k = 0; k < 3; ++k) {
            uint32_t index = Find(part, v[k], hash[k], &slot);
            if (index == kEmpty) {
                index = uint32_t(part.vertices.size());
                slots_[slot] = index;
                part.vertices.push_back(v[k]);
            }
            part.indices.push_back(uint16_t(index));
        }
    }
    if (!part.indices.empty()) parts.push_back(std::move(part));
    return parts;
}
