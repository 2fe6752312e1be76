// Translated shaders on llvmpipe: two pixel entries of one file sharing a vertex entry,
// #include through an IncludeHandler (and its hot reload), nointerpolation varyings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "graphics/devicestate.h"
#include "gpu/context.h"
#include "gpu/device.h"
#include "hlslhelpers.h"
#include "renderpass.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 16;

class HlslRenderEntries : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
        target_ = MakeTestTarget(kSize, kSize);
        ASSERT_TRUE(target_.view);
    }

    gpu::VertexShaderPtr Vertex(const std::string& source, const std::string& entry,
                                std::shared_ptr<const gpu::ShaderBlob>* blob, gpu::IncludeHandler* includes = nullptr) {
        std::string errors;
        *blob = Compile(source, entry, "vs_4_0", &errors, includes);
        EXPECT_TRUE(*blob) << errors;
        if (!*blob) return nullptr;
        auto vs = gDevice->CreateVertexShader(*blob, &errors);
        EXPECT_TRUE(vs) << errors;
        return vs;
    }

    gpu::PixelShaderPtr Pixel(const std::string& source, const std::string& entry, gpu::IncludeHandler* includes = nullptr) {
        std::string errors;
        auto blob = Compile(source, entry, "ps_4_0", &errors, includes);
        EXPECT_TRUE(blob) << errors;
        if (!blob) return nullptr;
        auto ps = gDevice->CreatePixelShader(blob, &errors);
        EXPECT_TRUE(ps) << errors;
        return ps;
    }

    std::vector<uint8_t> Draw(const gpu::VertexShaderPtr& vs, const gpu::PixelShaderPtr& ps, const gpu::InputLayoutPtr& layout) {
        if (!vs || !ps || !layout) return {};
        BeginRenderPass(target_, kSize, vs, ps);
        DrawQuad(layout);
        return ReadPixels(target_.texture);
    }

    TestTarget target_;
};

::testing::AssertionResult RgbNear(const std::vector<uint8_t>& pixels, int x, int y, int r, int g, int b, int tolerance = 2) {
    Rgba p = PixelAt(pixels, kSize, x, y);
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is (" << p.r << "," << p.g << "," << p.b
                                         << "), expected (" << r << "," << g << "," << b << ")";
}

gpu::BufferPtr ConstantColour(float r, float g, float b) {
    const float colour[4] = {r, g, b, 1};
    gpu::BufferDesc desc;
    desc.ByteWidth = sizeof(colour);
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    gpu::SubresourceData init;
    init.pSysMem = colour;
    return gDevice->CreateBuffer(desc, &init);
}

const char* kTwoPixelEntries = R"(
cbuffer Fill : register(b1) { float4 fill; };
Texture2D tex : register(t3);
SamplerState pointClamp : register(s1);
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
VSOut VS(float3 p : POSITION, float2 uv : TEXCOORD0) {
    VSOut o;
    o.pos = float4(p.xy * 2, 0, 1);
    o.uv = uv;
    return o;
}
float4 PS_Fill(VSOut i) : SV_Target { return fill; }
float4 PS_Texture(VSOut i) : SV_Target { return tex.Sample(pointClamp, i.uv) * 0.5 + fill * 0.5; }
)";

const char* kIncluding = R"(
#include "lib/tint.hlsli"
Texture2D tex : register(t0);
SamplerState pointClamp : register(s1);
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
VSOut VS(float3 p : POSITION, float2 uv : TEXCOORD0) {
    VSOut o;
    o.pos = float4(p.xy * 2, 0, 1);
    o.uv = uv;
    return o;
}
float4 PS(VSOut i) : SV_Target { return float4(Tint(tex, pointClamp, i.uv), 1); }
)";

// Flat colours chosen by SV_VertexID beside a smoothly interpolated one.
const char* kFlat = R"(
struct VSOut {
    float4 pos : SV_Position;
    nointerpolation float2 flat : COLOR0;
    float smooth : TEXCOORD0;
};
VSOut VS(float3 p : POSITION, float2 uv : TEXCOORD0, uint id : SV_VertexID) {
    const float2 colours[4] = { float2(1, 0), float2(0, 1), float2(0, 0), float2(1, 1) };
    VSOut o;
    o.pos = float4(p.xy * 2, 0, 1);
    o.flat = colours[id];
    o.smooth = uv.x;
    return o;
}
float4 PS(VSOut i) : SV_Target { return float4(i.flat, i.smooth, 1); }
)";

// 1x1 texture of one colour.
gpu::ShaderResourceViewPtr SolidTexture(uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t texel[4] = {r, g, b, 255};
    gpu::Texture2DDesc desc;
    desc.Width = desc.Height = 1;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data;
    data.pSysMem = texel;
    data.SysMemPitch = 4;
    auto texture = gDevice->CreateTexture2D(desc, &data);
    return texture ? gDevice->CreateShaderResourceView(texture, nullptr) : nullptr;
}

}  // namespace

TEST_F(HlslRenderEntries, TwoPixelEntriesShareTheVertexEntryAndLayout) {
    std::shared_ptr<const gpu::ShaderBlob> vsBlob;
    auto vs = Vertex(kTwoPixelEntries, "VS", &vsBlob);
    auto fill = Pixel(kTwoPixelEntries, "PS_Fill");
    auto textured = Pixel(kTwoPixelEntries, "PS_Texture");
    ASSERT_TRUE(vs && fill && textured);
    auto layout = QuadInputLayout(*vsBlob);
    auto constants = ConstantColour(0.2f, 0.4f, 0.6f);
    auto view = SolidTexture(255, 0, 255);
    ASSERT_TRUE(layout && constants && view);
    gContext->PSSetConstantBuffers(1, 1, &constants);
    gContext->PSSetShaderResources(3, 1, &view);

    auto first = Draw(vs, fill, layout);
    EXPECT_TRUE(RgbNear(first, 8, 8, 51, 102, 153));
    auto second = Draw(vs, textured, layout);
    EXPECT_TRUE(RgbNear(second, 8, 8, 153, 51, 204));
    // Back to the first: the pairing of shaders made earlier still draws the same.
    auto again = Draw(vs, fill, layout);
    EXPECT_TRUE(RgbNear(again, 3, 12, 51, 102, 153));

    gpu::BufferPtr noBuffer;
    gpu::ShaderResourceViewPtr noView;
    gContext->PSSetConstantBuffers(1, 1, &noBuffer);
    gContext->PSSetShaderResources(3, 1, &noView);
}

TEST_F(HlslRenderEntries, IncludedHelperReachesTheOutputAndReloadsWithItsFile) {
    // The helper takes the texture and sampler as parameters, as effect libraries do.
    MemoryIncludes includes;
    includes.files["lib/tint.hlsli"] =
        "float3 Tint(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv).bgr * 0.5; }\n";
    auto view = SolidTexture(255, 128, 0);
    ASSERT_TRUE(view);
    gContext->PSSetShaderResources(0, 1, &view);

    std::shared_ptr<const gpu::ShaderBlob> vsBlob;
    auto vs = Vertex(kIncluding, "VS", &vsBlob, &includes);
    auto ps = Pixel(kIncluding, "PS", &includes);
    ASSERT_TRUE(vs && ps);
    auto layout = QuadInputLayout(*vsBlob);
    auto pixels = Draw(vs, ps, layout);
    EXPECT_TRUE(RgbNear(pixels, 8, 8, 0, 64, 128));
    EXPECT_GE(includes.opens["lib/tint.hlsli"], 1);

    // An edited include gives a new translation though the including file is unchanged.
    includes.files["lib/tint.hlsli"] = "float3 Tint(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv).rgb; }\n";
    auto reloaded = Pixel(kIncluding, "PS", &includes);
    ASSERT_TRUE(reloaded);
    pixels = Draw(vs, reloaded, layout);
    EXPECT_TRUE(RgbNear(pixels, 8, 8, 255, 128, 0));

    gpu::ShaderResourceViewPtr none;
    gContext->PSSetShaderResources(0, 1, &none);
}

TEST_F(HlslRenderEntries, NointerpolationTakesTheFirstVertexOfEachTriangle) {
    std::shared_ptr<const gpu::ShaderBlob> vsBlob;
    auto vs = Vertex(kFlat, "VS", &vsBlob);
    auto ps = Pixel(kFlat, "PS");
    ASSERT_TRUE(vs && ps);
    auto pixels = Draw(vs, ps, QuadInputLayout(*vsBlob));
    ASSERT_FALSE(pixels.empty());
    // The strip's vertices: 0 bottom-left, 1 top-left, 2 bottom-right, 3 top-right. The
    // first triangle (0, 1, 2) is below the diagonal and takes vertex 0's colour; the second
    // (1, 2, 3) above it takes vertex 1's. The smooth member still varies across.
    EXPECT_TRUE(RgbNear(pixels, 1, 14, 255, 0, 24));
    EXPECT_TRUE(RgbNear(pixels, 6, 12, 255, 0, 104));
    EXPECT_TRUE(RgbNear(pixels, 14, 1, 0, 255, 231));
    EXPECT_TRUE(RgbNear(pixels, 9, 3, 0, 255, 151));
}
