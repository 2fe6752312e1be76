#include "graphics/objparser.h"

#include "graphics/textscanner.h"

const char kDefaultMaterialName[] = "_default_";

namespace {

// The index forms of one face corner: "%d", "%d/%d", "%d//%d", "%d/%d/%d".
enum class Corner { Position, PositionTexcoord, PositionNormal, All };

// One corner as written: position, texcoord, normal (1-based; 1 where the form lacks one).
struct CornerIndices {
    int32_t position = 1, texcoord = 1, normal = 1;
};

bool ReadCorner(text::Scanner& s, Corner form, CornerIndices* c) {
    if (!s.Int(&c->position)) return false;
    switch (form) {
        case Corner::Position: return true;
        case Corner::PositionTexcoord: return s.Literal('/') && s.Int(&c->texcoord);
        case Corner::PositionNormal: return s.Literal('/') && s.Literal('/') && s.Int(&c->normal);
        case Corner::All: return s.Literal('/') && s.Int(&c->texcoord) && s.Literal('/') && s.Int(&c->normal);
    }
    return false;
}

// Matches "f" followed by `count` corners of one form, as the scan pattern would.
bool MatchFace(const char* begin, const char* end, Corner form, int count, CornerIndices corners[4]) {
    text::Scanner s(begin, end);
    if (!s.Literal('f')) return false;
    for (int i = 0; i < count; ++i) {
        corners[i] = CornerIndices{};
        if (!ReadCorner(s, form, &corners[i])) return false;
    }
    return true;
}

ObjFace MakeFace(const CornerIndices& a, const CornerIndices& b, const CornerIndices& c, bool hasNormals) {
    ObjFace face;
    const CornerIndices* corners[3] = {&a, &b, &c};
    // 1-based to 0-based; the smallest value stays put rather than wrap.
    auto zeroBased = [](int32_t v) { return v == INT32_MIN ? v : v - 1; };
    for (int i = 0; i < 3; ++i) {
        face.index[i] = zeroBased(corners[i]->position);
        face.index[3 + i] = zeroBased(corners[i]->texcoord);
        face.index[6 + i] = zeroBased(corners[i]->normal);
    }
    face.hasNormals = hasNormals;
    return face;
}

// Quads first, then triangles, each in the order "%d", "%d/%d", "%d//%d", "%d/%d/%d"; the
// first pattern read completely wins. A quad (a, b, c, d) is split into (a, b, c), (c, d, a).
// Polygons with more corners match a quad pattern with their first four corners.
bool ReadFace(const char* begin, const char* end, std::vector<ObjFace>* faces) {
    static constexpr Corner kForms[4] = {Corner::Position, Corner::PositionTexcoord, Corner::PositionNormal,
                                         Corner::All};
    CornerIndices c[4];
    for (int count : {4, 3}) {
        for (Corner form : kForms) {
            if (!MatchFace(begin, end, form, count, c)) continue;
            const bool normals = form == Corner::PositionNormal || form == Corner::All;
            faces->push_back(MakeFace(c[0], c[1], c[2], normals));
            if (count == 4) faces->push_back(MakeFace(c[2], c[3], c[0], normals));
            return true;
        }
    }
    return false;
}

// "<keyword> %f %f %f" with as many values as `count`; values the line lacks read as 0.
void ReadFloats(const char* begin, const char* end, size_t keywordLength, float* values, int count) {
    text::Scanner s(begin + keywordLength, end);
    for (int i = 0; i < count; ++i) values[i] = 0.0f;
    for (int i = 0; i < count && s.Float(&values[i]); ++i) {
    }
}

// "<keyword> %s": the word after the keyword, or false when there is none.
bool ReadName(const char* begin, const char* end, const char* keyword, std::string* name) {
    text::Scanner s(begin, end);
    return s.Literal(keyword) && s.Word(name);
}

}  // namespace

void ParseObj(const char* text, size_t size, const ObjMaterialHooks& hooks, ObjModel* model) {
    std::vector<ObjFace>* current = &model->faces[kDefaultMaterialName];
    std::string name;
    text::ForEachLine(text, size, [&](const char* begin, const char* end) {
        const char second = end - begin > 1 ? begin[1] : '\0';
        switch (begin[0]) {
            case 'v': {
                float v[3];
                if (second == ' ' || second == '\t') {
                    ReadFloats(begin, end, 1, v, 3);
                    model->positions.push_back({v[0], v[1], v[2]});
                } else if (second == 'n') {
                    ReadFloats(begin, end, 2, v, 3);
                    model->normals.push_back({v[0], v[1], v[2]});
                } else if (second == 't') {
                    ReadFloats(begin, end, 2, v, 2);
                    model->texcoords.push_back({v[0], 1.0f - v[1]});
                }
                break;
            }
            case 'f': {
                const size_t before = current->size();
                if (ReadFace(begin, end, current)) model->faceCount += current->size() - before;
                break;
            }
            case 'm':
                if (ReadName(begin, end, "mtllib", &name) && hooks.loadLibrary) hooks.loadLibrary(name);
                break;
            case 'u':
                if (ReadName(begin, end, "usemtl", &name)) {
                    const bool known = hooks.hasMaterial && hooks.hasMaterial(name);
                    current = &model->faces[known ? name : std::string(kDefaultMaterialName)];
                }
                break;
            default: break;
        }
    });
    // Materials that received no faces (such as an unused "_default_") leave no list behind.
    for (auto it = model->faces.begin(); it != model->faces.end();)
        it = it->second.empty() ? model->faces.erase(it) : std::next(it);
}

size_t FinishObj(ObjModel* model) {
    if (model->normals.empty()) model->normals.push_back({1.0f, 0.0f, 0.0f});
    if (model->texcoords.empty()) model->texcoords.push_back({0.0f, 0.0f});
    const int64_t sizes[3] = {int64_t(model->positions.size()), int64_t(model->texcoords.size()),
                              int64_t(model->normals.size())};
    size_t removed = 0;
    for (auto it = model->faces.begin(); it != model->faces.end();) {
        std::vector<ObjFace>& faces = it->second;
        const size_t before = faces.size();
        std::erase_if(faces, [&](const ObjFace& face) {
            for (int i = 0; i < 9; ++i)
                if (face.index[i] < 0 || face.index[i] >= sizes[i / 3]) return true;
            return false;
        });
        removed += before - faces.size();
        it = faces.empty() ? model->faces.erase(it) : std::next(it);
    }
    model->faceCount -= removed;
    return removed;
}
