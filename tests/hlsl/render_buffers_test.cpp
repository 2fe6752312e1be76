// Structured buffers in translated shaders on llvmpipe: per-instance matrices indexed by
// SV_InstanceID in the vertex stage, a 16-byte struct at t5 in the pixel stage.
#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/devicestate.h"
#include "gpu/context.h"
#include "gpu/device.h"
#include "hlslhelpers.h"
#include "renderpass.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 16;

const char* kShader = R"(
StructuredBuffer<float4x4> placements : register(t0);
struct Tint { float3 rgb; float gain; };
StructuredBuffer<Tint> tints : register(t5);

struct VSOut { float4 pos : SV_Position; nointerpolation uint instance : TEXCOORD1; };
VSOut VS(float3 p : POSITION, uint instance : SV_InstanceID) {
    VSOut o;
    o.pos = mul(float4(p.xy, 0, 1), placements[instance]);
    o.instance = instance;
    return o;
}
float4 PS(VSOut i) : SV_Target {
    Tint t = tints[i.instance];
    return float4(t.rgb * t.gain, 1);
}
)";

gpu::ShaderResourceViewPtr MakeStructured(const void* data, uint32_t stride, uint32_t count) {
    gpu::BufferDesc desc;
    desc.ByteWidth = stride * count;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    desc.MiscFlags = gpu::RESOURCE_MISC_BUFFER_STRUCTURED;
    desc.StructureByteStride = stride;
    gpu::SubresourceData init;
    init.pSysMem = data;
    auto buffer = gDevice->CreateBuffer(desc, &init);
    return buffer ? gDevice->CreateShaderResourceView(buffer, nullptr) : nullptr;
}

::testing::AssertionResult RgbNear(const std::vector<uint8_t>& pixels, int x, int y, int r, int g, int b) {
    Rgba p = PixelAt(pixels, kSize, x, y);
    if (std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is (" << p.r << "," << p.g << "," << p.b
                                         << "), expected (" << r << "," << g << "," << b << ")";
}

}  // namespace

TEST(HlslRenderBuffers, InstanceMatricesAndPixelStructsFromStructuredBuffers) {
    if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
    std::string errors;
    auto vsBlob = Compile(kShader, "VS", "vs_4_0", &errors);
    ASSERT_TRUE(vsBlob) << errors;
    auto psBlob = Compile(kShader, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(psBlob) << errors;
    auto vs = gDevice->CreateVertexShader(vsBlob, &errors);
    auto ps = gDevice->CreatePixelShader(psBlob, &errors);
    ASSERT_TRUE(vs && ps) << errors;

    // Row-vector translations to the quadrants' centres (the quad is a quadrant's size),
    // stored transposed as for a column_major matrix: top-left, top-right, bottom-left,
    // bottom-right. Only three instances are drawn; the fourth matrix must stay unused.
    const float offsets[4][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}};
    float matrices[4][16] = {};
    for (int i = 0; i < 4; ++i) {
        float* m = matrices[i];
        m[0] = m[5] = m[10] = m[15] = 1;
        m[3] = offsets[i][0];
        m[7] = offsets[i][1];
    }
    const float tints[4][4] = {{1, 0, 0, 0.8f}, {0, 1, 0, 0.6f}, {0.5f, 0.5f, 1, 1}, {1, 1, 1, 1}};
    auto placementView = MakeStructured(matrices, 64, 4);
    auto tintView = MakeStructured(tints, 16, 4);
    ASSERT_TRUE(placementView && tintView);

    TestTarget target = MakeTestTarget(kSize, kSize);
    BeginRenderPass(target, kSize, vs, ps);
    gContext->VSSetShaderResources(0, 1, &placementView);
    gContext->PSSetShaderResources(5, 1, &tintView);
    uint32_t stride = 32, offset = 0;
    gContext->IASetInputLayout(QuadInputLayout(*vsBlob));
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->DrawInstanced(4, 3, 0, 0);
    auto pixels = ReadPixels(target.texture);
    ASSERT_FALSE(pixels.empty());

    EXPECT_TRUE(RgbNear(pixels, 3, 3, 204, 0, 0));
    EXPECT_TRUE(RgbNear(pixels, 12, 3, 0, 153, 0));
    EXPECT_TRUE(RgbNear(pixels, 3, 12, 128, 128, 255));
    EXPECT_TRUE(RgbNear(pixels, 12, 12, 0, 0, 0));
    // Quadrant edges: each instance covers exactly its quarter.
    EXPECT_TRUE(RgbNear(pixels, 7, 8, 128, 128, 255));
    EXPECT_TRUE(RgbNear(pixels, 8, 7, 0, 153, 0));

    gpu::ShaderResourceViewPtr none;
    gContext->VSSetShaderResources(0, 1, &none);
    gContext->PSSetShaderResources(5, 1, &none);
}

// Each stage has 16 SSBO bindings of its own: a vertex-stage buffer at t15 and a pixel-stage
// one at t0 are read apart; t16 would share the pixel stage's t0 binding and is refused.
TEST(HlslRenderBuffers, StructuredBufferSlotsOfTheTwoStagesStayApart) {
    if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
    const std::string shader = R"(
StructuredBuffer<float4> vertexSide : register(SLOT);
StructuredBuffer<float4> pixelSide : register(t0);
struct VSOut { float4 pos : SV_Position; float4 c : COLOR0; };
VSOut VS(float3 p : POSITION) { VSOut o; o.pos = float4(p.xy * 2, 0, 1); o.c = vertexSide[1]; return o; }
float4 PS(VSOut i) : SV_Target { return float4(i.c.r, pixelSide[1].g, 0, 1); }
)";
    auto withSlot = [&](const std::string& slot) {
        std::string s = shader;
        s.replace(s.find("SLOT"), 4, slot);
        return s;
    };
    std::string errors;
    EXPECT_FALSE(Compile(withSlot("t16"), "VS", "vs_4_0", &errors));
    EXPECT_NE(errors.find("'vertexSide' is not in a register t0..t15"), std::string::npos) << errors;

    const std::string source = withSlot("t15");
    auto vsBlob = Compile(source, "VS", "vs_4_0", &errors);
    ASSERT_TRUE(vsBlob) << errors;
    auto psBlob = Compile(source, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(psBlob) << errors;
    auto vs = gDevice->CreateVertexShader(vsBlob, &errors);
    auto ps = gDevice->CreatePixelShader(psBlob, &errors);
    ASSERT_TRUE(vs && ps) << errors;
    const float vertexValues[8] = {0, 0, 0, 0, 0.4f, 0.9f, 0, 0};
    const float pixelValues[8] = {0, 0, 0, 0, 0.9f, 0.6f, 0, 0};
    auto vertexView = MakeStructured(vertexValues, 16, 2);
    auto pixelView = MakeStructured(pixelValues, 16, 2);
    ASSERT_TRUE(vertexView && pixelView);

    TestTarget target = MakeTestTarget(kSize, kSize);
    BeginRenderPass(target, kSize, vs, ps);
    gContext->VSSetShaderResources(15, 1, &vertexView);
    gContext->PSSetShaderResources(0, 1, &pixelView);
    DrawQuad(QuadInputLayout(*vsBlob));
    auto pixels = ReadPixels(target.texture);
    EXPECT_TRUE(RgbNear(pixels, 8, 8, 102, 153, 0));

    gpu::ShaderResourceViewPtr none;
    gContext->VSSetShaderResources(15, 1, &none);
    gContext->PSSetShaderResources(0, 1, &none);
}
