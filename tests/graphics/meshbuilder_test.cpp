// Face expansion and vertex de-duplication: the reversed winding, flat normals, equality
// with a plain linear search, and splitting into 16-bit parts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "graphics/meshbuilder.h"

namespace {

ObjFace Face(std::initializer_list<int32_t> indices, bool normals) {
    ObjFace f{};
    std::copy(indices.begin(), indices.end(), f.index);
    f.hasNormals = normals;
    return f;
}

// The expansion and linear search written out plainly, for comparison.
MeshPartData Reference(const std::vector<ObjFace>& faces, const std::vector<vec3>& p, const std::vector<vec2>& t,
                       const std::vector<vec3>& n) {
    MeshPartData out;
    for (const ObjFace& f : faces) {
        const vec3 flat = FlatNormal(p[f.index[0]], p[f.index[1]], p[f.index[2]]);
        for (int c : {0, 2, 1}) {
            SVertexDesc v{};
            v.position = p[f.index[c]];
            v.texcoord = t[f.index[3 + c]];
            v.normal = f.hasNormals ? n[f.index[6 + c]] : flat;
            size_t k = 0;
            while (k < out.vertices.size() && std::memcmp(&out.vertices[k], &v, 32) != 0) ++k;
            if (k == out.vertices.size()) out.vertices.push_back(v);
            out.indices.push_back(uint16_t(k));
        }
    }
    return out;
}

bool SameBytes(const std::vector<SVertexDesc>& a, const std::vector<SVertexDesc>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 32) == 0;
}

TEST(MeshBuilder, QuadKeepsSharedCornersOnceInReversedWinding) {
    const std::vector<vec3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<vec2> noTexcoords = {{0, 0}};
    const std::vector<vec3> up = {{0, 0, 1}};
    MeshBuilder builder;
    std::vector<MeshPartData> quad = builder.Build(
        {Face({0, 1, 2, 0, 0, 0, 0, 0, 0}, true), Face({2, 3, 0, 0, 0, 0, 0, 0, 0}, true)}, square.data(), 4,
        noTexcoords, up);
    ASSERT_EQ(quad.size(), 1u);
    EXPECT_EQ(quad[0].vertices.size(), 4u);
    EXPECT_EQ(quad[0].indices, (std::vector<uint16_t>{0, 1, 2, 1, 0, 3}));
    EXPECT_EQ(quad[0].vertices[1].position, (vec3{1, 1, 0})) << "corners go p0, p2, p1";
}

TEST(MeshBuilder, FacesWithoutNormalsGetTheirFlatNormal) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<vec3> p = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {4, 0, 0}, {nan, 0, 0}};
    EXPECT_EQ(FlatNormal(p[0], p[1], p[2]), (vec3{0, 0, 1}));
    EXPECT_EQ(FlatNormal(p[0], p[2], p[1]), (vec3{0, 0, -1}));
    EXPECT_EQ(FlatNormal(p[0], p[1], p[3]), (vec3{})) << "degenerate: zero";
    const vec3 big = FlatNormal({0, 0, 0}, {3e30f, 0, 0}, {0, 0, 3e30f});
    EXPECT_NEAR(big.y, -1.0f, 1e-6f) << "large coordinates do not overflow";

    // A face with normal indices keeps them; NaN positions are kept byte for byte.
    MeshBuilder builder;
    const std::vector<vec2> t = {{0, 0}};
    const std::vector<vec3> n = {{1, 0, 0}};
    std::vector<MeshPartData> parts =
        builder.Build({Face({0, 1, 2, 0, 0, 0, 0, 0, 0}, false), Face({0, 1, 2, 0, 0, 0, 0, 0, 0}, true),
                       Face({4, 4, 0, 0, 0, 0, 0, 0, 0}, false), Face({4, 4, 0, 0, 0, 0, 0, 0, 0}, false)},
                      p.data(), p.size(), t, n);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].vertices[0].normal, (vec3{0, 0, 1}));
    EXPECT_EQ(parts[0].vertices[3].normal, (vec3{1, 0, 0}));
    EXPECT_EQ(parts[0].indices.size(), 12u);
    EXPECT_EQ(parts[0].vertices.size(), 8u) << "the NaN face's repeated corners are one vertex each time";
}

TEST(MeshBuilder, MatchesTheLinearSearchAndSplitsOnlyWhenNeeded) {
    std::mt19937 random(11);
    // Few distinct values so that many vertices repeat; -0 and NaN differ from 0 by bytes.
    const float values[] = {0.0f, -0.0f, 1.0f, 0.5f, std::numeric_limits<float>::quiet_NaN()};
    auto pick = [&] { return values[random() % 5]; };
    std::vector<vec3> p(40), n(6);
    std::vector<vec2> t(5);
    for (vec3& v : p) v = {pick(), pick(), pick()};
    for (vec3& v : n) v = {pick(), pick(), pick()};
    for (vec2& v : t) v = {pick(), pick()};
    std::vector<ObjFace> faces(3000);
    for (ObjFace& f : faces) {
        for (int i = 0; i < 9; ++i) f.index[i] = int32_t(random() % (i < 3 ? p.size() : i < 6 ? t.size() : n.size()));
        f.hasNormals = random() % 2;
    }
    const MeshPartData reference = Reference(faces, p, t, n);
    ASSERT_GT(reference.vertices.size(), 100u);

    // A limit the mesh fits gives exactly the single-list result.
    for (size_t limit : {MeshBuilder::kMaxPartVertices, reference.vertices.size()}) {
        std::vector<MeshPartData> one = MeshBuilder(limit).Build(faces, p.data(), p.size(), t, n);
        ASSERT_EQ(one.size(), 1u);
        EXPECT_TRUE(SameBytes(one[0].vertices, reference.vertices));
        EXPECT_EQ(one[0].indices, reference.indices);
    }

    // A smaller limit splits between faces; every part stays within it and, read through its
    // indices, the parts give the same vertex sequence.
    const size_t limit = reference.vertices.size() / 3;
    std::vector<MeshPartData> parts = MeshBuilder(limit).Build(faces, p.data(), p.size(), t, n);
    EXPECT_GE(parts.size(), 3u);
    std::vector<SVertexDesc> expanded;
    for (const MeshPartData& part : parts) {
        EXPECT_LE(part.vertices.size(), limit);
        EXPECT_EQ(part.indices.size() % 3, 0u);
        for (uint16_t i : part.indices) {
            ASSERT_LT(i, part.vertices.size());
            expanded.push_back(part.vertices[i]);
        }
    }
    std::vector<SVertexDesc> expected;
    for (uint16_t i : reference.indices) expected.push_back(reference.vertices[i]);
    EXPECT_TRUE(SameBytes(expanded, expected));
}

}  // namespace
