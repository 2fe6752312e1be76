// Renderable objects: the shared instance buffer, the tube geometry, upload skipping, and
// what a shader sees when the objects draw.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "datafolder.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/filamentrenderobject.h"
#include "graphics/trianglesrenderobject.h"
#include "readback.h"
#include "support/gputest.h"
#include "testprogram.h"

namespace {

// Places each vertex with the instance's world matrix (row vectors) and shades it with the
// diffuse colour times the texture at t0, tinted so a missing texture or constant shows.
const char* kTrianglesShader = R"(
struct Instance { row_major float4x4 world; };
StructuredBuffer<Instance> instances : register(t6);
cbuffer Material : register(b2) { float4 ambient; float4 diffuse; float4 emissive; float4 specular; float power; };
Texture2D image : register(t0);
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct VSOut { float4 position : SV_Position; };
VSOut VS(VSIn v, uint instance : SV_InstanceID) {
    VSOut o;
    o.position = mul(float4(v.position, 1), instances[instance].world);
    return o;
}
float4 PS(VSOut v) : SV_Target {
    return diffuse * image.Load(int3(0, 0, 0)) * float4(0.5, 1.0, 0.25, 1.0) + float4(ambient.rgb * 0.0, 0);
}
)";

// Lays each tube flat: ring u follows the strand's points, sides spread along x by radius.
const char* kFilamentShader = R"(
StructuredBuffer<float4> points : register(t7);
cbuffer Filament : register(b2) { float value; float tunable1; float tunable2; float pointsPerStrand; float tunable3; };
Texture2D image : register(t0);
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct VSOut { float4 position : SV_Position; };
VSOut VS(VSIn v, uint instance : SV_InstanceID) {
    uint count = (uint)pointsPerStrand;
    uint ring = (uint)round(v.position.x * (pointsPerStrand - 1));
    float4 p = points[instance * count + ring];
    VSOut o;
    o.position = float4(p.x + v.position.z * cos(v.position.y), p.y, 0, 1);
    return o;
}
float4 PS(VSOut v) : SV_Target {
    return float4(value, tunable1 / 10.0, tunable2, 1) * image.Load(int3(0, 0, 0)) + float4(0, 0, 0, tunable3 * 0.0);
}
)";

class RenderableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(16, 16, false));
        ASSERT_TRUE(data_.Ready());
        data_.Copy("images/1x1white.png", "1x1white.png");
    }
    static std::vector<SVertexDesc> LeftHalf() {
        // Two triangles covering x in [-1, 0] of clip space.
        auto v = [](float x, float y) {
            SVertexDesc d{};
            d.position = {x, y, 0.5f};
            return d;
        };
        return {v(-1, -1), v(-1, 1), v(0, 1), v(-1, -1), v(0, 1), v(0, -1)};
    }
    DataFolder data_;
};

TEST_F(RenderableTest, AllLiveRenderablesShareOneInstanceBuffer) {
    std::weak_ptr<RenderableObject::InstanceBuffer> first;
    {
        TrianglesRenderObject a(LeftHalf());
        FilamentRenderObject b("1x1white.png", 1, 2, 2, 3, [](float) { return 0.1f; });
        ASSERT_TRUE(a.GetInstanceData());
        EXPECT_EQ(a.GetInstanceData(), b.GetInstanceData());
        EXPECT_EQ(a.GetInstanceData()->GetCapacity(), 1u);
        EXPECT_EQ(a.GetInstanceData()->GetElementSize(), 64u);
        first = a.GetInstanceData();
        // A fresh buffer holds the identity matrix.
        std::vector<uint8_t> bytes = readback::Buffer(a.GetInstanceData()->GetBuffer());
        ASSERT_EQ(bytes.size(), 64u);
        const RenderableObject::GPUModelData identity;
        EXPECT_EQ(std::memcmp(bytes.data(), identity.world, 64), 0);
    }
    EXPECT_TRUE(first.expired()) << "the buffer goes with its last holder";
    TrianglesRenderObject c(LeftHalf());
    EXPECT_TRUE(c.GetInstanceData());
}

TEST_F(RenderableTest, TrianglesDrawWhiteWithTheirWorldMatrix) {
    TrianglesRenderObject triangles(LeftHalf());
    EXPECT_EQ(triangles.GetVertices()->GetVertexCount(), 6u);
    TestProgram program;
    ASSERT_TRUE(program.Build(kTrianglesShader, true));
    DynamicTexture target(8.0f, 4.0f, false);
    program.Bind(target);

    const float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1};  // x + 1
    const uint64_t draws = gContext->GetStats().draws;
    triangles.Render(world, 123.0f);
    EXPECT_EQ(gContext->GetStats().draws - draws, 1u);
    std::vector<uint8_t> pixels = readback::Texture(target.GetTexture());
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t* p = &pixels[(y * 8 + x) * 4];
            if (x < 4) {
                EXPECT_EQ(p[3], 0) << "left half stays clear at " << x << "," << y;
            } else {
                EXPECT_NEAR(p[0], 128, 1);
                EXPECT_EQ(p[1], 255);
                EXPECT_NEAR(p[2], 64, 1);
                EXPECT_EQ(p[3], 255);
            }
        }

    // The same matrix again costs no instance upload.
    const uint64_t maps = gContext->GetStats().maps;
    triangles.Render(world, 0.0f);
    EXPECT_EQ(gContext->GetStats().maps, maps);
}

TEST_F(RenderableTest, FilamentTubeHasRingsTimesSidesVertices) {
    FilamentRenderObject filament("1x1white.png", 4, 10, 100, 3, [](float t) { return t; });
    ASSERT_TRUE(filament.GetTubeVertices() && filament.GetTubeIndices());
    EXPECT_EQ(filament.GetTubeVertices()->GetVertexCount(), 300u);
    EXPECT_EQ(filament.GetTubeIndices()->GetIndexCount(), 1782u);
    EXPECT_EQ(filament.GetPoints().GetCapacity(), 40u);
    EXPECT_EQ(filament.GetPoints().GetElementSize(), 16u);

    std::vector<FilamentRenderObject::Point> points(40);
    const uint64_t before = gContext->GetStats().maps;
    filament.UpdatePoints(points.data());  // all zeros: the first update still uploads
    filament.UpdatePoints(points.data());
    EXPECT_EQ(gContext->GetStats().maps - before, 1u);
    EXPECT_EQ(filament.GetPoints().GetUsed(), 40u);
}

TEST_F(RenderableTest, FilamentDrawsEveryStrandAlongItsPoints) {
    // Two strands of two points: vertical lines at x = -0.5 and x = +0.5, radius 0.3.
    FilamentRenderObject filament("1x1white.png", 2, 2, 2, 8, [](float) { return 0.3f; });
    const FilamentRenderObject::Point points[4] = {{-0.5f, -1.0f, 0, 1}, {-0.5f, 1.0f, 0, 1},
                                                   {0.5f, -1.0f, 0, 1}, {0.5f, 1.0f, 0, 1}};
    filament.UpdatePoints(points);
    TestProgram program;
    ASSERT_TRUE(program.Build(kFilamentShader, true));
    DynamicTexture target(8.0f, 4.0f, false);
    program.Bind(target);
    filament.SetTunables(5.0f, 1.0f, 0.5f);
    filament.Render(nullptr, 0.5f);

    std::vector<uint8_t> pixels = readback::Texture(target.GetTexture());
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    for (int y = 0; y < 4; ++y) {
        for (int x : {1, 6}) {  // pixel centres at x = -0.625 and +0.625 lie inside the tubes
            const uint8_t* p = &pixels[(y * 8 + x) * 4];
            EXPECT_NEAR(p[0], 128, 1) << x << "," << y;
            EXPECT_NEAR(p[1], 128, 1);
            EXPECT_EQ(p[2], 255);
            EXPECT_EQ(p[3], 255);
        }
        for (int x : {3, 4}) EXPECT_EQ(pixels[(y * 8 + x) * 4 + 3], 0) << "gap between strands at " << x;
    }
}

TEST_F(RenderableTest, InvalidTubeShapesLogAndDrawNothing) {
    FilamentRenderObject filament("1x1white.png", 2, 2, 1, 8, nullptr);
    EXPECT_FALSE(filament.GetTubeVertices());
    const uint64_t draws = gContext->GetStats().draws;
    filament.Render(nullptr, 1.0f);
    EXPECT_EQ(gContext->GetStats().draws, draws);

    TrianglesRenderObject empty(std::vector<SVertexDesc>{});
    empty.Render(nullptr, 0.0f);
    EXPECT_EQ(gContext->GetStats().draws, draws);
}

}  // namespace
