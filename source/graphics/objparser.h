#pragma once
// Reads the Wavefront OBJ subset the player understands: positions ("v"), normals ("vn"),
// texture coordinates ("vt", stored as (u, 1 - v)), triangle and quad faces ("f" in its
// eight index patterns), material libraries ("mtllib") and material selection ("usemtl").
// Everything else in the file is ignored. No GPU work: the result is plain lists.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "system/vec.h"

// One triangle: nine 0-based indices, three positions, three texcoords, three normals, each
// in corner order. Indices come straight from the file and may lie outside the lists until
// FinishObj has dropped such faces.
struct ObjFace {
    int32_t index[9];
    bool hasNormals;  // the face's pattern carried normal indices
};

struct ObjModel {
    std::vector<vec3> positions;
    std::vector<vec3> normals;
    std::vector<vec2> texcoords;
    // Faces per material name, each list in file order.
    std::map<std::string, std::vector<ObjFace>> faces;
    size_t faceCount = 0;
};

// What the parser asks of the materials while it reads.
struct ObjMaterialHooks {
    // "mtllib <name>": the name as written.
    std::function<void(const std::string& name)> loadLibrary;
    // "usemtl <name>" selects the name when this says it exists, else "_default_".
    std::function<bool(const std::string& name)> hasMaterial;
};

extern const char kDefaultMaterialName[];  // "_default_"

// Parses `size` bytes of OBJ text; never reads past them.
void ParseObj(const char* text, size_t size, const ObjMaterialHooks& hooks, ObjModel* model);

// Adds normal (1, 0, 0) when there are no normals and texcoord (0, 0) when there are no
// texcoords, so that index 0 is valid for faces without them; then removes every face
// with an index outside its list. Returns the number of faces removed.
size_t FinishObj(ObjModel* model);
