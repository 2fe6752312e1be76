// Translated shaders reading the texture kinds beyond Texture2D on llvmpipe: cube maps,
// texture arrays, depth comparison, gather, integer textures, by read-back of one pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "gpu/context.h"
#include "gpu/device.h"
#include "hlslhelpers.h"
#include "renderpass.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 8;

const char* kShader = R"(
cbuffer Params : register(b0) { float4 coord; };
TextureCube cube : register(t0);
Texture2DArray slices : register(t1);
Texture2D<float> depth : register(t2);
Texture2D<float> values : register(t3);
Texture2D<uint> counts : register(t4);
Texture1D ramp : register(t5);
Texture1DArray ramps : register(t6);
SamplerState linearClamp : register(s0);
SamplerState pointClamp : register(s1);
SamplerComparisonState lessEqual : register(s4);

float4 VS(float3 p : POSITION) : SV_Position { return float4(p.xy * 2, 0, 1); }

float4 PS_Cube() : SV_Target { return cube.Sample(pointClamp, coord.xyz); }

// Slice coord.w by SampleLevel, slice 1 by SampleGrad, the dimensions in blue.
float4 PS_Slices() : SV_Target {
    uint w, h, elements, levels;
    slices.GetDimensions(0, w, h, elements, levels);
    float level = slices.SampleLevel(pointClamp, float3(0.5, 0.5, coord.w), 0).g;
    float grad = slices.SampleGrad(pointClamp, float3(0.5, 0.5, 1), float2(0, 0), float2(0, 0)).g;
    return float4(level, grad, (w * 10 + elements) / 255.0, 1);
}

// Texel coord.x of the ramp in red, of slice 1 of the ramps in green.
float4 PS_Lines() : SV_Target {
    return float4(ramp.Sample(pointClamp, coord.x).r, ramps.SampleLevel(pointClamp, float2(coord.x, 1), 0).g, 0, 1);
}

float4 PS_Shadow() : SV_Target {
    return float4(depth.SampleCmpLevelZero(lessEqual, float2(0.5, 0.5), 0.3),
                  depth.SampleCmpLevelZero(lessEqual, float2(0.5, 0.5), 0.7),
                  depth.SampleCmp(lessEqual, float2(0.5, 0.5), 0.3), 1);
}

float4 PS_Gather() : SV_Target { return values.Gather(pointClamp, float2(0.5, 0.5)); }

// Load with an offset, and HLSL's truncation of a vector in a scalar constructor.
float4 PS_Counts() : SV_Target {
    uint4 all = counts.Load(int3(0, 0, 0), int2(1, 1));
    uint first = uint(all);
    return float4(first, counts.Load(int3(1, 0, 0)), 0, 255) / 255.0;
}
)";

class HlslRenderTextures : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
        target_ = MakeTestTarget(kSize, kSize);
        gpu::BufferDesc desc;
        desc.ByteWidth = 16;
        desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
        params_ = gDevice->CreateBuffer(desc, nullptr);
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
        gpu::ShaderResourceViewPtr none[7];
        gContext->PSSetShaderResources(0, 7, none);
    }

    // The centre pixel after drawing the pixel entry with coord.
    Rgba Draw(const std::string& entry, float x = 0, float y = 0, float z = 0, float w = 0) {
        std::string errors;
        auto blob = Compile(kShader, entry, "ps_5_0", &errors);
        EXPECT_TRUE(blob) << errors;
        auto ps = blob ? gDevice->CreatePixelShader(blob, &errors) : nullptr;
        EXPECT_TRUE(ps) << entry << ": " << errors;
        if (!ps) return {};
        const float coord[4] = {x, y, z, w};
        gContext->UpdateSubresource(params_, 0, nullptr, coord, 0, 0);
        BeginRenderPass(target_, kSize, vs_, ps);
        gContext->PSSetConstantBuffers(0, 1, &params_);
        DrawQuad(layout_);
        return PixelAt(ReadPixels(target_.texture), kSize, kSize / 2, kSize / 2);
    }

    gpu::ShaderResourceViewPtr MakeTexture(gpu::Texture2DDesc desc, const void* texels, uint32_t pitch,
                                           uint32_t subresources = 1) {
        desc.BindFlags |= gpu::BIND_SHADER_RESOURCE;
        std::vector<gpu::SubresourceData> data(subresources);
        for (uint32_t i = 0; i < subresources; ++i) {
            data[i].pSysMem = static_cast<const uint8_t*>(texels) + i * pitch * desc.Height;
            data[i].SysMemPitch = pitch;
        }
        auto texture = gDevice->CreateTexture2D(desc, texels ? data.data() : nullptr);
        return texture ? gDevice->CreateShaderResourceView(texture, nullptr) : nullptr;
    }

    TestTarget target_;
    gpu::BufferPtr params_;
    gpu::VertexShaderPtr vs_;
    gpu::InputLayoutPtr layout_;
};

// Colour channels only: the opaque blend state leaves alpha alone.
::testing::AssertionResult Near(const Rgba& got, const Rgba& want, int tolerance = 3) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got (" << got.r << "," << got.g << "," << got.b << "), expected ("
                                         << want.r << "," << want.g << "," << want.b << ")";
}

}  // namespace

TEST_F(HlslRenderTextures, CubeFacesArraySlicesAndLineTexelsAreFoundByDirectionAndIndex) {
    // One texel per face, red 30, 60, ... in D3D's face order +X, -X, +Y, -Y, +Z, -Z.
    uint8_t faces[6][4];
    for (int f = 0; f < 6; ++f) {
        faces[f][0] = static_cast<uint8_t>(30 * (f + 1));
        faces[f][1] = faces[f][2] = 0;
        faces[f][3] = 255;
    }
    gpu::Texture2DDesc cubeDesc;
    cubeDesc.Width = cubeDesc.Height = 1;
    cubeDesc.ArraySize = 6;
    cubeDesc.MiscFlags = gpu::RESOURCE_MISC_TEXTURECUBE;
    auto cube = MakeTexture(cubeDesc, faces, 4, 6);
    ASSERT_TRUE(cube);
    EXPECT_EQ(cube->GetDesc().ViewDimension, gpu::SrvDimension::TextureCube);

    // Three 2x2 slices, green 50, 100, 150.
    uint8_t layers[3][16] = {};
    for (int s = 0; s < 3; ++s) {
        for (int t = 0; t < 4; ++t) layers[s][t * 4 + 1] = static_cast<uint8_t>(50 * (s + 1));
    }
    gpu::Texture2DDesc arrayDesc;
    arrayDesc.Width = arrayDesc.Height = 2;
    arrayDesc.ArraySize = 3;
    auto slices = MakeTexture(arrayDesc, layers, 8, 3);
    ASSERT_TRUE(slices);
    gpu::ShaderResourceViewPtr views[2] = {cube, slices};
    gContext->PSSetShaderResources(0, 2, views);

    const float directions[6][3] = {{1, 0.2f, 0.1f}, {-1, 0.1f, 0.2f}, {0.1f, 1, 0.2f},
                                    {0.2f, -1, 0.1f}, {0.1f, 0.2f, 1},  {0.2f, 0.1f, -1}};
    for (int f = 0; f < 6; ++f) {
        EXPECT_TRUE(Near(Draw("PS_Cube", directions[f][0], directions[f][1], directions[f][2]), {30 * (f + 1), 0, 0}))
            << "face " << f;
    }
    EXPECT_TRUE(Near(Draw("PS_Slices", 0, 0, 0, 2), {150, 100, 23}));
    EXPECT_TRUE(Near(Draw("PS_Slices", 0, 0, 0, 0), {50, 100, 23}));

    // Two texels a line: red 40 and 80; the array's slice 1 green 120 and 160.
    const uint8_t texels[2][8] = {{40, 0, 0, 255, 80, 0, 0, 255}, {0, 120, 0, 255, 0, 160, 0, 255}};
    gpu::Texture1DDesc lineDesc;
    lineDesc.Width = 2;
    lineDesc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData lineData[2] = {{texels[1], 8, 0}, {texels[1], 8, 0}};
    lineData[0].pSysMem = texels[0];
    auto line = gDevice->CreateShaderResourceView(gDevice->CreateTexture1D(lineDesc, lineData), nullptr);
    lineDesc.ArraySize = 2;
    auto lines = gDevice->CreateShaderResourceView(gDevice->CreateTexture1D(lineDesc, lineData), nullptr);
    ASSERT_TRUE(line && lines);
    EXPECT_EQ(lines->GetDesc().ViewDimension, gpu::SrvDimension::Texture1DArray);
    gpu::ShaderResourceViewPtr lineViews[2] = {line, lines};
    gContext->PSSetShaderResources(5, 2, lineViews);
    EXPECT_TRUE(Near(Draw("PS_Lines", 0.25f), {40, 120, 0}));
    EXPECT_TRUE(Near(Draw("PS_Lines", 0.75f), {80, 160, 0}));

    // A texture array and a cube are shader inputs only.
    EXPECT_FALSE(gDevice->CreateRenderTargetView(slices->GetResource(), nullptr));
    cubeDesc.ArraySize = 5;
    EXPECT_FALSE(MakeTexture(cubeDesc, nullptr, 0));
}

TEST_F(HlslRenderTextures, ComparisonGatherAndIntegerLoadsReadTheRightTexels) {
    gpu::Texture2DDesc depthDesc;
    depthDesc.Width = depthDesc.Height = 4;
    depthDesc.Format = gpu::Format::D24_UNorm_S8_UInt;
    depthDesc.BindFlags = gpu::BIND_DEPTH_STENCIL;
    auto depth = MakeTexture(depthDesc, nullptr, 0);
    ASSERT_TRUE(depth);
    auto depthView = gDevice->CreateDepthStencilView(depth->GetResource(), nullptr);
    ASSERT_TRUE(depthView);
    gContext->ClearDepthStencilView(depthView, gpu::CLEAR_DEPTH, 0.5f, 0);

    const float values[4] = {0.1f, 0.2f, 0.3f, 0.4f};  // top row 0.1 0.2, bottom row 0.3 0.4
    gpu::Texture2DDesc valuesDesc;
    valuesDesc.Width = valuesDesc.Height = 2;
    valuesDesc.Format = gpu::Format::R32_Float;
    const uint32_t counts[4] = {10, 20, 30, 40};
    gpu::Texture2DDesc countsDesc = valuesDesc;
    countsDesc.Format = gpu::Format::R32_UInt;
    gpu::ShaderResourceViewPtr views[3] = {depth, MakeTexture(valuesDesc, values, 8), MakeTexture(countsDesc, counts, 8)};
    ASSERT_TRUE(views[1] && views[2]);
    gContext->PSSetShaderResources(2, 3, views);

    gpu::SamplerDesc samplerDesc;
    samplerDesc.Filter = static_cast<gpu::Filter>(0x80);  // comparison, point filtering
    samplerDesc.ComparisonFunc = gpu::ComparisonFunc::LessEqual;
    auto lessEqual = gDevice->CreateSamplerState(samplerDesc);
    gContext->PSSetSamplers(4, 1, &lessEqual);

    EXPECT_TRUE(Near(Draw("PS_Shadow"), {255, 0, 255}));
    // Gather returns (0,1), (1,1), (1,0) and (0,0) of the 2x2 footprint; alpha is not written.
    EXPECT_TRUE(Near(Draw("PS_Gather"), {77, 102, 51}));
    EXPECT_TRUE(Near(Draw("PS_Counts"), {40, 20, 0}));
}

TEST(HlslTextureKinds, EveryTextureKindTranslatesWithItsKind) {
    const char* source = R"(
TextureCube c : register(t0); TextureCubeArray ca : register(t1); Texture2DArray a : register(t2);
Texture1D l : register(t3); Texture1DArray la : register(t4); Texture2DMSArray<float4> ma : register(t5);
Buffer<float4> b : register(t6); Texture2D maps[2] : register(t7);
SamplerState s : register(s0);
float4 PS(float4 pos : SV_Position, float3 d : TEXCOORD0) : SV_Target {
    return c.Sample(s, d) + ca.Sample(s, float4(d, 1)) + a.Sample(s, d) + l.Sample(s, d.x) + la.Sample(s, d.xy) +
           ma.Load(int3(pos.xy, 0), 0) + b.Load(3) + maps[0].Sample(s, d.xy) + maps[1].Sample(s, d.yz);
})";
    std::string errors;
    auto blob = Compile(source, "PS", "ps_5_0", &errors);
    ASSERT_TRUE(blob) << errors;
    using Kind = gpu::ShaderBlob::TextureKind;
    // An array of two textures takes registers t7 and t8 and a unit for each.
    const Kind expected[9] = {Kind::TextureCube, Kind::TextureCubeArray, Kind::Texture2DArray,
                              Kind::Texture1D,   Kind::Texture1DArray,   Kind::Texture2DMSArray,
                              Kind::Buffer,      Kind::Texture2D,        Kind::Texture2D};
    ASSERT_EQ(blob->textures.size(), 9u);
    std::set<uint32_t> units;
    for (const auto& texture : blob->textures) {
        EXPECT_EQ(texture.kind, expected[texture.textureSlot]);
        units.insert(texture.glUnit);
    }
    EXPECT_EQ(units.size(), 9u);
    EXPECT_EQ(*units.rbegin(), gpu::kPixelBindingBase + 8);
    // Unbound, each reads zero and the program still links and draws.
    if (InitTestDevice(kSize, kSize)) {
        EXPECT_TRUE(gDevice->CreatePixelShader(blob, &errors)) << errors;
    }
}
