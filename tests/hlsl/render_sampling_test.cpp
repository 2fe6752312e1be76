// Translated shaders reading textures on llvmpipe: Texture2D through each of the four fixed
// samplers, Texture3D, and Texture2DMS.Load by sample index, checked by read-back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "graphics/devicestate.h"
#include "gpu/context.h"
#include "gpu/device.h"
#include "hlslhelpers.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 16;

const char* kShader = R"(
cbuffer Params : register(b0) { float4 coord; };
Texture2D tex : register(t0);
Texture3D volume : register(t1);
Texture2DMS<float4, 4> multi : register(t2);
SamplerState linearClamp : register(s0);
SamplerState pointClamp : register(s1);
SamplerState linearWrap : register(s2);
SamplerState pointWrap : register(s3);

float4 VS(float3 p : POSITION) : SV_Position { return float4(p.xy * 2, 0, 1); }

float4 PS_LinearClamp() : SV_Target { return tex.Sample(linearClamp, coord.xy); }
float4 PS_PointClamp() : SV_Target { return tex.Sample(pointClamp, coord.xy); }
float4 PS_LinearWrap() : SV_Target { return tex.Sample(linearWrap, coord.xy); }
float4 PS_PointWrap() : SV_Target { return tex.Sample(pointWrap, coord.xy); }
// One texture through two samplers and Load: three texture units on the same view.
float4 PS_Mixed() : SV_Target {
    return float4(tex.Sample(pointWrap, coord.xy).r, tex.Sample(linearClamp, coord.xy).g * 0.5,
                  tex.Load(int3(0, 1, 0)).b * 0.25, 1);
}

float4 PS_VolumePoint() : SV_Target { return volume.Sample(pointClamp, coord.xyz); }
float4 PS_VolumeLinear() : SV_Target { return volume.Sample(linearClamp, coord.xyz); }
float4 PS_VolumePointWrap() : SV_Target { return volume.Sample(pointWrap, coord.xyz); }

float4 PS_Colour() : SV_Target { return coord; }
// Samples 0..2 in the colour channels, and sample 3 on its own.
float4 PS_Samples012(float4 pos : SV_Position) : SV_Target {
    int2 c = int2(pos.xy);
    return float4(multi.Load(c, 0).r, multi.Load(c, 1).r, multi.Load(c, 2).r, 1);
}
float4 PS_Sample3(float4 pos : SV_Position) : SV_Target { return multi.Load(int2(pos.xy), 3); }
)";

struct Rgb {
    int r, g, b;
};

class HlslRenderSampling : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
        target_ = MakeTestTarget(kSize, kSize);
        gpu::BufferDesc desc;
        desc.ByteWidth = 16;
        desc.Usage = gpu::Usage::Dynamic;
        desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
        desc.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
        params_ = gDevice->CreateBuffer(desc, nullptr);
        ASSERT_TRUE(params_);
        std::string errors;
        auto vsBlob = Compile(kShader, "VS", "vs_4_0", &errors);
        ASSERT_TRUE(vsBlob) << errors;
        vs_ = gDevice->CreateVertexShader(vsBlob, &errors);
        ASSERT_TRUE(vs_) << errors;
        layout_ = QuadInputLayout(*vsBlob);
        ASSERT_TRUE(layout_);
    }

    void TearDown() override {
        if (!gContext) return;
        const float factor[4] = {0, 0, 0, 0};
        gContext->OMSetBlendState(gBlendOpaque, factor, 0xFFFFFFFF);
        gpu::ShaderResourceViewPtr none[3];
        gContext->PSSetShaderResources(0, 3, none);
    }

    gpu::PixelShaderPtr Pixel(const std::string& entry) {
        std::string errors;
        auto blob = Compile(kShader, entry, "ps_4_0", &errors);
        EXPECT_TRUE(blob) << errors;
        if (!blob) return nullptr;
        auto ps = gDevice->CreatePixelShader(blob, &errors);
        EXPECT_TRUE(ps) << errors;
        return ps;
    }

    // Draws the full-target quad with the pixel shader and coord, into the given target.
    void DrawInto(const TestTarget& target, const gpu::PixelShaderPtr& ps, float x, float y, float z = 0, float w = 1,
                  uint32_t sampleMask = 0xFFFFFFFF) {
        const float coord[4] = {x, y, z, w};
        gpu::MappedSubresource mapped;
        ASSERT_TRUE(gContext->Map(params_, 0, gpu::MapType::WriteDiscard, &mapped));
        std::memcpy(mapped.pData, coord, sizeof(coord));
        gContext->Unmap(params_, 0);
        gContext->OMSetRenderTargets(1, &target.view, nullptr);
        gpu::Viewport viewport;
        viewport.Width = viewport.Height = kSize;
        gContext->RSSetViewports(1, &viewport);
        const float factor[4] = {0, 0, 0, 0};
        gContext->OMSetBlendState(gBlendOpaque, factor, sampleMask);
        gContext->RSSetState(gRasterizerState);
        gContext->VSSetShader(vs_);
        gContext->PSSetShader(ps);
        gContext->PSSetConstantBuffers(0, 1, &params_);
        DrawQuad(layout_);
    }

    // The colour of the centre pixel after drawing with coord.
    Rgb Sampled(const gpu::PixelShaderPtr& ps, float x, float y, float z = 0) {
        const float clear[4] = {0, 0, 0, 0};
        gContext->OMSetRenderTargets(1, &target_.view, nullptr);
        gContext->ClearRenderTargetView(target_.view, clear);
        DrawInto(target_, ps, x, y, z);
        Rgba p = PixelAt(ReadPixels(target_.texture), kSize, kSize / 2, kSize / 2);
        return {p.r, p.g, p.b};
    }

    TestTarget target_;
    gpu::BufferPtr params_;
    gpu::VertexShaderPtr vs_;
    gpu::InputLayoutPtr layout_;
};

::testing::AssertionResult Near(const Rgb& got, const Rgb& want, int tolerance = 3) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got (" << got.r << "," << got.g << "," << got.b << "), expected (" << want.r
                                         << "," << want.g << "," << want.b << ")";
}

// 2x2: red, green on the top row; blue, white below.
gpu::ShaderResourceViewPtr MakeQuadrantTexture() {
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    gpu::Texture2DDesc desc;
    desc.Width = desc.Height = 2;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data;
    data.pSysMem = texels;
    data.SysMemPitch = 8;
    auto texture = gDevice->CreateTexture2D(desc, &data);
    return texture ? gDevice->CreateShaderResourceView(texture, nullptr) : nullptr;
}

}  // namespace

TEST_F(HlslRenderSampling, FixedSamplersFilterAndAddressAsTheirSlotsSay) {
    auto view = MakeQuadrantTexture();
    ASSERT_TRUE(view);
    gContext->PSSetShaderResources(0, 1, &view);
    auto linearClamp = Pixel("PS_LinearClamp");
    auto pointClamp = Pixel("PS_PointClamp");
    auto linearWrap = Pixel("PS_LinearWrap");
    auto pointWrap = Pixel("PS_PointWrap");
    ASSERT_TRUE(linearClamp && pointClamp && linearWrap && pointWrap);

    // Texel centre: uv (0,0) is the top-left texel whatever the sampler.
    for (const auto& ps : {linearClamp, pointClamp, linearWrap, pointWrap}) EXPECT_TRUE(Near(Sampled(ps, 0.25f, 0.25f), {255, 0, 0}));

    // Between the top texels' centres (texel x 0.4 past red): point picks red, linear blends.
    EXPECT_TRUE(Near(Sampled(pointClamp, 0.45f, 0.25f), {255, 0, 0}));
    EXPECT_TRUE(Near(Sampled(pointWrap, 0.45f, 0.25f), {255, 0, 0}));
    EXPECT_TRUE(Near(Sampled(linearClamp, 0.45f, 0.25f), {153, 102, 0}));
    EXPECT_TRUE(Near(Sampled(linearWrap, 0.45f, 0.25f), {153, 102, 0}));

    // Past the right edge: clamp stays on green, wrap comes back to red.
    EXPECT_TRUE(Near(Sampled(pointClamp, 1.2f, 0.25f), {0, 255, 0}));
    EXPECT_TRUE(Near(Sampled(linearClamp, 1.2f, 0.25f), {0, 255, 0}));
    EXPECT_TRUE(Near(Sampled(pointWrap, 1.2f, 0.25f), {255, 0, 0}));
    EXPECT_TRUE(Near(Sampled(linearWrap, 1.2f, 0.25f), {230, 26, 0}));

    // Left of the bottom row: clamp gives blue, wrap reaches round to white.
    EXPECT_TRUE(Near(Sampled(pointClamp, -0.3f, 0.75f), {0, 0, 255}));
    EXPECT_TRUE(Near(Sampled(linearClamp, -0.3f, 0.75f), {0, 0, 255}));
    EXPECT_TRUE(Near(Sampled(pointWrap, -0.3f, 0.75f), {255, 255, 255}));
    EXPECT_TRUE(Near(Sampled(linearWrap, -0.3f, 0.75f), {230, 230, 255}));

    // Below the bottom edge: V wraps to the top row only with the wrapping samplers.
    EXPECT_TRUE(Near(Sampled(pointClamp, 0.25f, 1.45f), {0, 0, 255}));
    EXPECT_TRUE(Near(Sampled(pointWrap, 0.25f, 1.45f), {255, 0, 0}));
    EXPECT_TRUE(Near(Sampled(linearWrap, 0.25f, 1.45f), {153, 0, 102}));

    auto mixed = Pixel("PS_Mixed");
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(Near(Sampled(mixed, 1.2f, 0.25f), {255, 128, 64}));
}

TEST_F(HlslRenderSampling, Texture3DReadsRedFastestLayoutAndFiltersInDepth) {
    // Texel (x, y, z) holds (x ? 200 : 20, y ? 150 : 40, z ? 100 : 60), x fastest.
    uint8_t texels[32];
    for (int z = 0; z < 2; ++z) {
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) {
                uint8_t* t = texels + ((z * 2 + y) * 2 + x) * 4;
                t[0] = x ? 200 : 20;
                t[1] = y ? 150 : 40;
                t[2] = z ? 100 : 60;
                t[3] = 255;
            }
        }
    }
    gpu::Texture3DDesc desc;
    desc.Width = desc.Height = desc.Depth = 2;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data;
    data.pSysMem = texels;
    data.SysMemPitch = 8;
    data.SysMemSlicePitch = 16;
    auto texture = gDevice->CreateTexture3D(desc, &data);
    ASSERT_TRUE(texture);
    auto view = gDevice->CreateShaderResourceView(texture, nullptr);
    gContext->PSSetShaderResources(1, 1, &view);
    auto point = Pixel("PS_VolumePoint");
    auto linear = Pixel("PS_VolumeLinear");
    auto pointWrap = Pixel("PS_VolumePointWrap");
    ASSERT_TRUE(point && linear && pointWrap);

    EXPECT_TRUE(Near(Sampled(point, 0.25f, 0.25f, 0.25f), {20, 40, 60}));
    EXPECT_TRUE(Near(Sampled(point, 0.75f, 0.25f, 0.25f), {200, 40, 60}));
    EXPECT_TRUE(Near(Sampled(point, 0.25f, 0.75f, 0.25f), {20, 150, 60}));
    EXPECT_TRUE(Near(Sampled(point, 0.25f, 0.25f, 0.75f), {20, 40, 100}));
    EXPECT_TRUE(Near(Sampled(point, 0.75f, 0.75f, 0.75f), {200, 150, 100}));
    // Halfway in x and a quarter of the way from z 0 to z 1.
    EXPECT_TRUE(Near(Sampled(linear, 0.5f, 0.25f, 0.375f), {110, 40, 70}));
    // W addresses like U and V: past the far slice, clamp stays, wrap returns to slice 0.
    EXPECT_TRUE(Near(Sampled(point, 0.25f, 0.25f, 1.25f), {20, 40, 100}));
    EXPECT_TRUE(Near(Sampled(pointWrap, 0.25f, 0.25f, 1.25f), {20, 40, 60}));
}

TEST_F(HlslRenderSampling, Texture2DMSLoadReadsEachSample) {
    uint32_t levels = 0;
    if (!gDevice->CheckMultisampleQualityLevels(gpu::Format::R8G8B8A8_UNorm, 4, &levels) || levels == 0) {
        GTEST_SKIP() << "no 4x MSAA";
    }
    TestTarget multi = MakeTestTarget(kSize, kSize, 4);
    ASSERT_TRUE(multi.view);
    auto colour = Pixel("PS_Colour");
    auto samples012 = Pixel("PS_Samples012");
    auto sample3 = Pixel("PS_Sample3");
    ASSERT_TRUE(colour && samples012 && sample3);

    // First pass: the sample mask lets each draw write one sample, 0.2 x (index + 1).
    const float clear[4] = {0, 0, 0, 0};
    gContext->OMSetRenderTargets(1, &multi.view, nullptr);
    gContext->ClearRenderTargetView(multi.view, clear);
    for (uint32_t i = 0; i < 4; ++i) {
        const float v = 0.2f * static_cast<float>(i + 1);
        DrawInto(multi, colour, v, v, v, 1, 1u << i);
    }
    // The resolve averages the four samples.
    auto resolved = ReadPixels(multi.texture);
    ASSERT_FALSE(resolved.empty());
    Rgba average = PixelAt(resolved, kSize, 3, 11);
    EXPECT_NEAR(average.r, 128, 2);

    // Second pass: Load by sample index into a single-sampled target.
    gpu::ShaderResourceViewPtr view = gDevice->CreateShaderResourceView(multi.texture, nullptr);
    ASSERT_TRUE(view);
    gContext->OMSetRenderTargets(1, &target_.view, nullptr);
    gContext->ClearRenderTargetView(target_.view, clear);
    gContext->PSSetShaderResources(2, 1, &view);
    DrawInto(target_, samples012, 0, 0);
    auto first = ReadPixels(target_.texture);
    DrawInto(target_, sample3, 0, 0);
    auto last = ReadPixels(target_.texture);
    for (int y : {0, 7, 15}) {
        for (int x : {0, 9, 15}) {
            Rgba p = PixelAt(first, kSize, x, y);
            EXPECT_TRUE(Near({p.r, p.g, p.b}, {51, 102, 153}, 2)) << "samples 0..2 at " << x << "," << y;
            Rgba q = PixelAt(last, kSize, x, y);
            EXPECT_TRUE(Near({q.r, q.g, q.b}, {204, 204, 204}, 2)) << "sample 3 at " << x << "," << y;
        }
    }
}
