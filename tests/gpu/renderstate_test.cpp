// Blend, depth-stencil and viewport state of the shared set-up, checked by read-back.
#include <gtest/gtest.h>

#include <cstdio>

#include "graphics/devicestate.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 16;

// A vertex shader placing the quad at depth z, scaled per axis (a negative x mirrors it,
// which turns its front face to the back).
gpu::VertexShaderPtr QuadAt(float z, float scaleX, float scaleY) {
    char glsl[512];
    std::snprintf(glsl, sizeof(glsl),
                  "#version 450\nlayout(location = 0) in vec3 p;\nout gl_PerVertex { vec4 gl_Position; };\n"
                  "void main() { gl_Position = vec4(p.x * %f, p.y * %f, %f, 1.0); }\n",
                  scaleX, scaleY, z);
    auto blob = MakeGlslBlob(gpu::ShaderStage::Vertex, glsl);
    AddInput(*blob, "POSITION");
    return gDevice->CreateVertexShader(blob);
}

gpu::PixelShaderPtr Solid(float r, float g, float b, float a) {
    return gDevice->CreatePixelShader(SolidColourPixelBlob(r, g, b, a));
}

class RenderStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(kSize, kSize));
        gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);
        gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
        gContext->OMSetDepthStencilState(gDepthOff, 1);
        gContext->RSSetState(gRasterizerState);
        gpu::Viewport viewport{0, 0, float(kSize), float(kSize), 0, 1};
        gContext->RSSetViewports(1, &viewport);
        fullScreen_ = QuadAt(0.5f, 2.0f, 2.0f);
        ASSERT_TRUE(fullScreen_);
        layout_ = QuadInputLayout(*fullScreen_->GetBlob());
        ASSERT_TRUE(layout_);
    }

    void Draw(const gpu::VertexShaderPtr& vs, const gpu::PixelShaderPtr& ps) {
        gContext->VSSetShader(vs);
        gContext->PSSetShader(ps);
        DrawQuad(layout_);
    }

    void Clear(float r, float g, float b, float a) {
        const float colour[4] = {r, g, b, a};
        gContext->ClearRenderTargetView(gBackBufferView, colour);
    }

    gpu::VertexShaderPtr fullScreen_;
    gpu::InputLayoutPtr layout_;
};

// Destination (0.2, 0.4, 0.6, 0.5), source (0.8, 0.4, 0.2, 0.25).
struct BlendCase {
    const char* name;
    gpu::BlendStatePtr* state;
    Rgba expected;
};

TEST_F(RenderStateTest, FourBlendStatesWriteRgbAndNeverAlpha) {
    const BlendCase cases[] = {
        {"opaque", &gBlendOpaque, {204, 102, 51, 128}},
        {"alpha", &gBlendAlpha, {89, 102, 128, 128}},      // src * 0.25 + dst * 0.75
        {"additive", &gBlendAdditive, {255, 204, 204, 128}},
        {"multiply", &gBlendMultiply, {41, 41, 31, 128}},  // dst * src
    };
    auto ps = Solid(0.8f, 0.4f, 0.2f, 0.25f);
    for (const BlendCase& c : cases) {
        SCOPED_TRACE(c.name);
        Clear(0.2f, 0.4f, 0.6f, 0.5f);
        gContext->OMSetBlendState(*c.state, nullptr, 0xFFFFFFFFu);
        Draw(fullScreen_, ps);
        auto pixels = ReadBackBuffer();
        EXPECT_TRUE(PixelNear(pixels, kSize, 3, 3, c.expected, 2));
        EXPECT_TRUE(PixelNear(pixels, kSize, 15, 15, c.expected, 2));
    }
}

TEST_F(RenderStateTest, DepthStatesTestAndWriteAsNamed) {
    auto red = Solid(1, 0, 0, 1), green = Solid(0, 1, 0, 1), blue = Solid(0, 0, 1, 1);
    auto near = QuadAt(0.3f, 2, 2), middle = QuadAt(0.5f, 2, 2), far = QuadAt(0.7f, 2, 2);

    // Read-write: nearer wins and is remembered.
    Clear(0, 0, 0, 0);
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH | gpu::CLEAR_STENCIL, 1.0f, 0);
    gContext->OMSetDepthStencilState(gDepthReadWrite, 1);
    Draw(middle, red);
    Draw(far, green);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {255, 0, 0, 0}));
    Draw(near, blue);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {0, 0, 255, 0}));

    // Read-only: tested against the cleared depth, never written.
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH, 1.0f, 0);
    gContext->OMSetDepthStencilState(gDepthReadOnly, 1);
    Draw(middle, red);
    Draw(far, green);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {0, 255, 0, 0}));
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH, 0.1f, 0);
    Draw(near, blue);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {0, 255, 0, 0}));

    // Off: everything passes, even behind a depth of 0.
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH, 0.0f, 0);
    gContext->OMSetDepthStencilState(gDepthOff, 1);
    Draw(far, red);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {255, 0, 0, 0}));
}

TEST_F(RenderStateTest, StencilCountsDepthFailuresPerFaceAndTestsReference) {
    auto red = Solid(1, 0, 0, 1), green = Solid(0, 1, 0, 1);
    gpu::RasterizerDesc noCull = gRasterizerState->GetDesc();
    noCull.CullMode = gpu::CullMode::None;
    auto twoSided = gDevice->CreateRasterizerState(noCull);

    auto stencilEquals = [](uint32_t) {
        gpu::DepthStencilDesc d;
        d.DepthEnable = false;
        d.StencilEnable = true;
        d.FrontFace.StencilFunc = d.BackFace.StencilFunc = gpu::ComparisonFunc::Equal;
        return gDevice->CreateDepthStencilState(d);
    };
    auto equal = stencilEquals(0);

    // Front faces failing the depth test increment; back faces decrement (wrapping).
    Clear(0, 0, 0, 0);
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH | gpu::CLEAR_STENCIL, 0.0f, 0);
    gContext->RSSetState(twoSided);
    gContext->OMSetDepthStencilState(gDepthReadWrite, 1);
    Draw(QuadAt(0.5f, 1, 1), red);   // middle half, front face
    Draw(QuadAt(0.5f, -1, 1), red);  // the same square mirrored: back face, cancels out
    Draw(QuadAt(0.5f, -2, 2), red);  // everything, back face
    auto pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {0, 0, 0, 0}));  // depth failed: nothing drawn

    // Middle: +1 -1 -1 = 255; corner: -1 = 255 as well; now add one in the middle only.
    Draw(QuadAt(0.5f, 1, 1), red);
    gContext->OMSetDepthStencilState(equal, 0);  // reference 0: the middle (255 + 1 wraps)
    Draw(fullScreen_, green);
    pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {0, 255, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {0, 0, 0, 0}));

    Clear(0, 0, 0, 0);
    gContext->OMSetDepthStencilState(equal, 255);  // reference 255: the border
    Draw(fullScreen_, green);
    pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {0, 255, 0, 0}));

    // Replace writes the reference; masks limit what is compared.
    gpu::DepthStencilDesc replace;
    replace.DepthEnable = false;
    replace.StencilEnable = true;
    replace.FrontFace.StencilPassOp = gpu::StencilOp::Replace;
    gContext->OMSetDepthStencilState(gDevice->CreateDepthStencilState(replace), 0x42);
    Draw(QuadAt(0.5f, 1, 1), red);
    gpu::DepthStencilDesc masked;
    masked.DepthEnable = false;
    masked.StencilEnable = true;
    masked.StencilReadMask = 0x0F;
    masked.FrontFace.StencilFunc = gpu::ComparisonFunc::Equal;
    Clear(0, 0, 0, 0);
    gContext->OMSetDepthStencilState(gDevice->CreateDepthStencilState(masked), 0x02);  // 0x42 & 0x0F
    Draw(fullScreen_, green);
    pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {0, 255, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {0, 0, 0, 0}));
}

TEST_F(RenderStateTest, DefaultStateDrawsQuadWithDepthOffAndCulledBackFaces) {
    Clear(0, 0, 0, 0);
    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH, 0.0f, 0);
    auto red = Solid(1, 0, 0, 1);
    Draw(QuadAt(0.9f, 1, 1), red);  // depth off: drawn although depth is 0
    auto pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {255, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {0, 0, 0, 0}));
    Clear(0, 0, 0, 0);
    Draw(QuadAt(0.5f, -1, 1), red);  // mirrored: back face, culled
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {0, 0, 0, 0}));
}

TEST_F(RenderStateTest, ViewportUsesTopLeftOrigin) {
    Clear(0, 0, 0, 0);
    gpu::Viewport topLeft{0, 0, 8, 8, 0, 1};
    gContext->RSSetViewports(1, &topLeft);
    Draw(fullScreen_, Solid(1, 1, 0, 1));
    gpu::Viewport bottomRight{12, 10, 4, 6, 0, 1};
    gContext->RSSetViewports(1, &bottomRight);
    Draw(fullScreen_, Solid(0, 0, 1, 1));
    auto pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {255, 255, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 7, 7, {255, 255, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 8, 8, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 12, 1, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 12, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 12, 10, {0, 0, 255, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 15, 15, {0, 0, 255, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 11, 10, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 12, 9, {0, 0, 0, 0}));
}

}  // namespace
