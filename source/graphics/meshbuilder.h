#pragma once
// Turns the faces of one material and the positions of one animation frame into indexed
// geometry: three vertices per face in the order p0, p2, p1 (the file's winding reversed),
// then byte-exact de-duplication of the 32-byte vertices. The kept vertices and the
// indices are exactly those of a linear search over the kept list (first vertex index 0,
// each new vertex the next index), found through a hash table in linear time.
//
// 16-bit indices address at most 65,536 vertices. When a frame would keep more, the faces
// are split into consecutive parts, each with its own kept list; a frame that fits keeps
// the single-list result unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/objparser.h"
#include "graphics/vertex.h"

struct MeshPartData {
    std::vector<SVertexDesc> vertices;
    std::vector<uint16_t> indices;
};

// The unit normal of (p1 - p0) x (p2 - p0); zero for a degenerate triangle.
vec3 FlatNormal(const vec3& p0, const vec3& p1, const vec3& p2);

class MeshBuilder {
public:
    static constexpr size_t kMaxPartVertices = 65536;

    // maxPartVertices: kept vertices per part, at least 3 (smaller values are for tests).
    explicit MeshBuilder(size_t maxPartVertices = kMaxPartVertices);

    // Faces read with normal indices use those normals; others get their flat normal. The
    // face indices must lie inside the lists (FinishObj); a face that does not is skipped.
    // Returns no parts when no face is usable.
    std::vector<MeshPartData> Build(const std::vector<ObjFace>& faces, const vec3* positions, size_t positionCount,
                                    const std::vector<vec2>& texcoords, const std::vector<vec3>& normals);

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;

    // Index of the kept vertex equal to v, or kEmpty; *slot is where it is or would go.
    uint32_t Find(const MeshPartData& part, const SVertexDesc& v, uint64_t hash, size_t* slot) const;
    void ResetTable(size_t expectedVertices);

    size_t maxPartVertices_;
    std::vector<uint32_t> slots_;  // open addressing, linear probing; kEmpty marks a free slot
    size_t mask_ = 0;
};
