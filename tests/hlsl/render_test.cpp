// Translated shaders drawn on llvmpipe: constant-buffer packing, mul(v, M) with transposed
// uploads, SV_Position and varyings matched by semantic, checked by read-back.
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

const char* kShader = R"(
cbuffer Awkward : register(b0) { float a; float3 b; float2 arr[3]; float c; float4x4 M; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; float4 col : COLOR0; };
VSOut VS(float3 p : POSITION, float2 uv : TEXCOORD0) {
    VSOut o;
    o.pos = mul(float4(p.xy * 2, p.z, 1), M);  // the shared quad spans -0.5..0.5
    o.uv = uv;
    o.col = float4(0.25, 0.5, 0.75, 1);
    return o;
}
// Members listed in another order than the vertex output.
struct PSIn { float4 col : COLOR0; float4 pos : SV_Position; float2 uv : TEXCOORD0; };
float4 PS(PSIn i) : SV_Target { return float4(a, b.z, arr[2].y, c); }
float4 PS_Varyings(PSIn i) : SV_Target {
    return float4(i.col.z, i.col.x, (i.pos.x == 0.5 && i.pos.y == 0.5) ? 1 : 0, 1);
}
)";

// HLSL packing: a 0, b 4, arr 16/32/48, c 56, M 64.
struct AwkwardBytes {
    float data[32] = {};
    void Set(float a, float bz, float arr2y, float c, const float m[16]) {
        data[0] = a;
        data[3] = bz;
        data[13] = arr2y;  // arr[2] at 48, .y at 52
        data[14] = c;      // 56
        std::memcpy(&data[16], m, 64);
    }
};

class HlslRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
        target_ = MakeTestTarget(kSize, kSize);
        gpu::BufferDesc desc;
        desc.ByteWidth = sizeof(AwkwardBytes::data);
        desc.Usage = gpu::Usage::Dynamic;
        desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
        desc.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
        constants_ = gDevice->CreateBuffer(desc, nullptr);
        ASSERT_TRUE(constants_);
    }

    void Upload(const AwkwardBytes& bytes) {
        gpu::MappedSubresource mapped;
        ASSERT_TRUE(gContext->Map(constants_, 0, gpu::MapType::WriteDiscard, &mapped));
        std::memcpy(mapped.pData, bytes.data, sizeof(bytes.data));
        gContext->Unmap(constants_, 0);
    }

    std::vector<uint8_t> Draw(const std::string& pixelEntry) {
        std::string errors;
        auto vsBlob = Compile(kShader, "VS", "vs_4_0", &errors);
        auto psBlob = Compile(kShader, pixelEntry, "ps_4_0", &errors);
        EXPECT_TRUE(vsBlob && psBlob) << errors;
        if (!vsBlob || !psBlob) return {};
        auto vs = gDevice->CreateVertexShader(vsBlob, &errors);
        auto ps = gDevice->CreatePixelShader(psBlob, &errors);
        EXPECT_TRUE(vs && ps) << errors;
        BeginRenderPass(target_, kSize, vs, ps);
        gContext->VSSetConstantBuffers(0, 1, &constants_);
        gContext->PSSetConstantBuffers(0, 1, &constants_);
        DrawQuad(QuadInputLayout(*vsBlob));
        return ReadPixels(target_.texture);
    }

    TestTarget target_;
    gpu::BufferPtr constants_;
};

// Colour channels only: the device's fixed blend states decide what reaches alpha.
::testing::AssertionResult RgbNear(const std::vector<uint8_t>& pixels, int x, int y, int r, int g, int b) {
    Rgba p = PixelAt(pixels, kSize, x, y);
    if (std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is (" << p.r << "," << p.g << "," << p.b
                                         << "), expected (" << r << "," << g << "," << b << ")";
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

TEST_F(HlslRender, AwkwardConstantBufferValuesArriveWhereHlslPutThem) {
    AwkwardBytes bytes;
    bytes.Set(0.2f, 0.4f, 0.6f, 0.8f, kIdentity);
    Upload(bytes);
    auto pixels = Draw("PS");
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(RgbNear(pixels, 8, 8, 51, 102, 153));
}

TEST_F(HlslRender, MulWithTransposedUploadMatchesRowVectorMaths) {
    // Row-vector matrix translating x by +1 (half the target), uploaded transposed.
    const float rowMajor[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1};
    float transposed[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) transposed[c * 4 + r] = rowMajor[r * 4 + c];
    }
    AwkwardBytes bytes;
    bytes.Set(1, 1, 1, 1, transposed);
    Upload(bytes);
    auto pixels = Draw("PS");
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(RgbNear(pixels, 2, 8, 0, 0, 0));
    EXPECT_TRUE(RgbNear(pixels, 12, 8, 255, 255, 255));
}

TEST_F(HlslRender, VaryingsMatchBySemanticAndPositionHasPixelCentres) {
    AwkwardBytes bytes;
    bytes.Set(0, 0, 0, 0, kIdentity);
    Upload(bytes);
    auto pixels = Draw("PS_Varyings");
    ASSERT_FALSE(pixels.empty());
    // Top-left pixel: SV_Position (0.5, 0.5); elsewhere not.
    EXPECT_TRUE(RgbNear(pixels, 0, 0, 191, 64, 255));
    EXPECT_TRUE(RgbNear(pixels, 5, 9, 191, 64, 0));
}
