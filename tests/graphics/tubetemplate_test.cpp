// The filament tube template: vertex layout along the strand and the closed index ring.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "graphics/tubetemplate.h"

namespace {

TEST(TubeTemplate, CountsFollowRingsAndSides) {
    const auto vertices = BuildTubeVertices(100, 3, [](float) { return 1.0f; });
    const auto indices = BuildTubeIndices(100, 3);
    EXPECT_EQ(vertices.size(), 300u);
    EXPECT_EQ(indices.size(), 1782u);
    for (uint16_t index : indices) EXPECT_LT(index, 300);
}

TEST(TubeTemplate, VerticesCarryAlongAngleAndProfileRadius) {
    const auto vertices = BuildTubeVertices(3, 4, [](float t) { return 10.0f * t; });
    ASSERT_EQ(vertices.size(), 12u);
    // Ring r, side k sits at index r * 4 + k; u runs 0, 0.5, 1 and the radius is f(1 - u).
    EXPECT_FLOAT_EQ(vertices[0].position.x, 0.0f);
    EXPECT_FLOAT_EQ(vertices[0].position.z, 10.0f);
    EXPECT_FLOAT_EQ(vertices[5].position.x, 0.5f);
    EXPECT_FLOAT_EQ(vertices[5].position.y, -6.2831855f / 4.0f);
    EXPECT_FLOAT_EQ(vertices[5].position.z, 5.0f);
    EXPECT_FLOAT_EQ(vertices[11].position.x, 1.0f);
    EXPECT_FLOAT_EQ(vertices[11].position.y, -6.2831855f * 3.0f / 4.0f);
    EXPECT_FLOAT_EQ(vertices[11].position.z, 0.0f);
    EXPECT_EQ(vertices[11].texcoord, vec2{});
    EXPECT_EQ(vertices[11].normal, vec3{});
}

TEST(TubeTemplate, LastSideJoinsSideZeroOnEveryRing) {
    const int rings = 4, sides = 5;
    const auto indices = BuildTubeIndices(rings, sides);
    ASSERT_EQ(indices.size(), size_t(6 * (rings - 1) * sides));
    std::set<std::pair<int, int>> edges;
    for (size_t t = 0; t < indices.size(); t += 3)
        for (int e = 0; e < 3; ++e) {
            int a = indices[t + e], b = indices[t + (e + 1) % 3];
            edges.insert({std::min(a, b), std::max(a, b)});
        }
    for (int r = 0; r < rings - 1; ++r) {
        const int last = r * sides + sides - 1, first = r * sides;
        EXPECT_TRUE(edges.count({first, last})) << "ring " << r << " is not closed";
        EXPECT_TRUE(edges.count({last, first + sides})) << "no diagonal across the seam at ring " << r;
        // The first quad of the ring follows the stated winding.
        const size_t q = size_t(r) * sides * 6;
        EXPECT_EQ(indices[q + 0], first);
        EXPECT_EQ(indices[q + 1], first + 1);
        EXPECT_EQ(indices[q + 2], first + sides + 1);
        EXPECT_EQ(indices[q + 5], first + sides);
    }
    // The seam quad of ring 0: (k = 4, k1 = 0).
    const size_t seam = size_t(sides - 1) * 6;
    EXPECT_EQ(indices[seam + 0], 4);
    EXPECT_EQ(indices[seam + 1], 0);
    EXPECT_EQ(indices[seam + 2], 5);
}

TEST(TubeTemplate, ShapesBeyondSixteenBitIndicesOrWithOneRingBuildNothing) {
    EXPECT_TRUE(TubeShapeValid(2, 1));
    EXPECT_TRUE(TubeShapeValid(256, 256));
    EXPECT_FALSE(TubeShapeValid(1, 8));
    EXPECT_FALSE(TubeShapeValid(0, 8));
    EXPECT_FALSE(TubeShapeValid(8, 0));
    EXPECT_FALSE(TubeShapeValid(257, 256));
    EXPECT_TRUE(BuildTubeVertices(1, 8, nullptr).empty());
    EXPECT_TRUE(BuildTubeIndices(70000, 1).empty());
}

}  // namespace
