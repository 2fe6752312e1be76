// Device set-up on llvmpipe: the shared states and the full-screen quad.
#include <gtest/gtest.h>

#include "graphics/devicestate.h"
#include "support/gputest.h"
#include "support/logcapture.h"

namespace {

constexpr int kSize = 16;

TEST(Device, QuadCoversMiddleHalfWithTopLeftTexcoordAtTop) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));
    // Colour = (u, v, 0): the quad's texcoord (0,0) belongs at its top-left corner.
    auto vs = gDevice->CreateVertexShader(QuadVertexBlob(1.0f));
    auto ps = gDevice->CreatePixelShader(MakeGlslBlob(gpu::ShaderStage::Pixel,
        "#version 450\nlayout(location = 1) in vec2 vTexcoord;\nlayout(location = 0) out vec4 o;\n"
        "void main() { o = vec4(vTexcoord, 0.0, 1.0); }\n"));
    ASSERT_TRUE(vs && ps);
    auto layout = QuadInputLayout(*vs->GetBlob());
    ASSERT_TRUE(layout);
    const float black[4] = {0, 0, 0, 0};
    gContext->ClearRenderTargetView(gBackBufferView, black);
    gContext->VSSetShader(vs);
    gContext->PSSetShader(ps);
    DrawQuad(layout);
    auto pixels = ReadBackBuffer();
    ASSERT_EQ(pixels.size(), size_t(kSize * kSize * 4));
    // Outside the middle half: untouched.
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 1, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 14, 14, {0, 0, 0, 0}));
    // Inside: top-left has small u and v, bottom-right large ones. Alpha is never written.
    Rgba topLeft = PixelAt(pixels, kSize, 4, 4);
    Rgba bottomRight = PixelAt(pixels, kSize, 11, 11);
    Rgba topRight = PixelAt(pixels, kSize, 11, 4);
    EXPECT_LT(topLeft.r, 40);
    EXPECT_LT(topLeft.g, 40);
    EXPECT_GT(bottomRight.r, 215);
    EXPECT_GT(bottomRight.g, 215);
    EXPECT_GT(topRight.r, 215);
    EXPECT_LT(topRight.g, 40);
    EXPECT_EQ(topLeft.a, 0);
}

}  // namespace
