// Multisampled targets, resolve, back-buffer resize and the anti-aliased set-up.
#include <gtest/gtest.h>

#include <chrono>

#include "graphics/devicestate.h"
#include "support/gputest.h"
#include "support/logcapture.h"

namespace {

constexpr int kSize = 16;

// One triangle over the top-left half of the target: its diagonal edge is partly covered
// in the multisampled pixels it crosses.
gpu::VertexShaderPtr Diagonal() {
    auto blob = MakeGlslBlob(gpu::ShaderStage::Vertex,
        "#version 450\nout gl_PerVertex { vec4 gl_Position; };\n"
        "const vec2 corners[3] = vec2[](vec2(-1.0, 1.0), vec2(1.0, 1.0), vec2(-1.0, -1.0));\n"
        "void main() { gl_Position = vec4(corners[gl_VertexID], 0.5, 1.0); }\n");
    return gDevice->CreateVertexShader(blob);
}

void DrawDiagonal(const gpu::RenderTargetViewPtr& view) {
    gContext->OMSetRenderTargets(1, &view, nullptr);
    gpu::Viewport viewport{0, 0, float(kSize), float(kSize), 0, 1};
    gContext->RSSetViewports(1, &viewport);
    gContext->OMSetBlendState(nullptr, nullptr, 0xFFFFFFFFu);
    gContext->OMSetDepthStencilState(gDepthOff, 0);
    gpu::RasterizerDesc both = gRasterizerState->GetDesc();
    both.CullMode = gpu::CullMode::None;
    gContext->RSSetState(gDevice->CreateRasterizerState(both));
    gContext->VSSetShader(Diagonal());
    gContext->PSSetShader(gDevice->CreatePixelShader(SolidColourPixelBlob(1, 1, 1, 1)));
    gContext->IASetInputLayout(nullptr);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    gContext->Draw(3, 0);
    gContext->RSSetState(gRasterizerState);
}

TEST(Targets, MultisampledRenderingResolvesToPartialCoverage) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));
    uint32_t levels = 0;
    ASSERT_TRUE(gDevice->CheckMultisampleQualityLevels(gpu::Format::R8G8B8A8_UNorm, 4, &levels));
    EXPECT_GE(levels, 1u);
    TestTarget ms = MakeTestTarget(kSize, kSize, 4);
    ASSERT_TRUE(ms.texture && ms.view);
    const float black[4] = {0, 0, 0, 1};
    gContext->ClearRenderTargetView(ms.view, black);
    DrawDiagonal(ms.view);

    TestTarget single = MakeTestTarget(kSize, kSize);
    uint64_t resolves = gContext->GetStats().resolves;
    gContext->ResolveSubresource(single.texture, 0, ms.texture, 0, gpu::Format::R8G8B8A8_UNorm);
    EXPECT_EQ(gContext->GetStats().resolves, resolves + 1);
    auto pixels = ReadPixels(single.texture);
    EXPECT_TRUE(PixelNear(pixels, kSize, 2, 2, {255, 255, 255, 255}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 13, 13, {0, 0, 0, 255}));
    int partial = 0;
    for (int x = 0; x < kSize; ++x) {
        int r = PixelAt(pixels, kSize, x, kSize - 1 - x).r;
        partial += (r > 20 && r < 235) ? 1 : 0;
    }
    EXPECT_GT(partial, kSize / 2) << "the diagonal should be anti-aliased";
    // Reading the multisampled texture directly resolves it the same way.
    EXPECT_EQ(ReadPixels(ms.texture), pixels);
}

TEST(Targets, BackBufferResizeRecreatesTheBuffer) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));
    ASSERT_TRUE(gSwapChain->ResizeBuffers(24, 8));
    auto buffer = gSwapChain->GetBuffer();
    EXPECT_EQ(buffer->GetDesc().Width, 24u);
    EXPECT_EQ(buffer->GetDesc().Height, 8u);
    auto view = gDevice->CreateRenderTargetView(buffer, nullptr);
    const float teal[4] = {0, 0.5f, 0.5f, 1};
    gContext->ClearRenderTargetView(view, teal);
    gSwapChain->Present(0);
    auto pixels = ReadBackBuffer();
    ASSERT_EQ(pixels.size(), 24u * 8u * 4u);
    EXPECT_TRUE(PixelNear(pixels, 24, 23, 7, {0, 128, 128, 255}));
    EXPECT_FALSE(gSwapChain->ResizeBuffers(0, 0));  // headless: no window size to take
    ASSERT_TRUE(gSwapChain->ResizeBuffers(kSize, kSize));
    gBackBufferView = gDevice->CreateRenderTargetView(gSwapChain->GetBuffer(), nullptr);
}

TEST(Targets, TexturesBeyondTheDeviceLimitsAreRefused) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));
    // A render texture of an absurd size (a script's width, say) must come back null rather
    // than as a texture without storage; dynamic and staging ones would also need a CPU copy.
    for (gpu::Usage usage : {gpu::Usage::Default, gpu::Usage::Dynamic, gpu::Usage::Staging}) {
        gpu::Texture2DDesc desc;
        desc.Width = 1u << 20;
        desc.Height = 1;
        desc.Usage = usage;
        desc.BindFlags = usage == gpu::Usage::Staging ? 0u : uint32_t(gpu::BIND_SHADER_RESOURCE);
        EXPECT_FALSE(gDevice->CreateTexture2D(desc, nullptr)) << int(usage);
    }
    gpu::Texture2DDesc tooManyMips;
    tooManyMips.Width = tooManyMips.Height = 4;
    tooManyMips.MipLevels = 4;  // 4, 2, 1 is the whole chain
    tooManyMips.BindFlags = gpu::BIND_SHADER_RESOURCE;
    EXPECT_FALSE(gDevice->CreateTexture2D(tooManyMips, nullptr));
    tooManyMips.MipLevels = 3;
    EXPECT_TRUE(gDevice->CreateTexture2D(tooManyMips, nullptr));

    gpu::Texture3DDesc volume;
    volume.Width = volume.Height = 2;
    volume.Depth = 1u << 16;
    volume.BindFlags = gpu::BIND_SHADER_RESOURCE;
    EXPECT_FALSE(gDevice->CreateTexture3D(volume, nullptr));
}

TEST(Targets, AntiAliasedSetupUsesMultisampledBackAndDepthBuffers) {
    LogCapture log;
    ASSERT_TRUE(InitTestDevice(kSize, kSize, true));
    if (!gMsaaEnabled) GTEST_SKIP() << "another test made the device without anti-aliasing first";
    // The probe asks for 8 samples and falls back to 4 and 2: llvmpipe stops at 4, GPUs give 8.
    ASSERT_TRUE(gSampleCount == 8 || gSampleCount == 4 || gSampleCount == 2) << gSampleCount;
    EXPECT_EQ(log.CountContaining("quality levels at " + std::to_string(gSampleCount) + "xMSAA"), 1);
    EXPECT_EQ(gSampleQuality, 0);
    EXPECT_EQ(gSwapChain->GetBuffer()->GetDesc().SampleDesc.Count, uint32_t(gSampleCount));
    EXPECT_EQ(gDepthStencilBuffer->GetDesc().SampleDesc.Count, uint32_t(gSampleCount));
    EXPECT_EQ(gDepthStencilView->GetDesc().ViewDimension, gpu::DsvDimension::Texture2DMS);
    DrawDiagonal(gBackBufferView);
    auto pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 2, 2, {255, 255, 255, 255}));  // no blend state: all written
}

TEST(Targets, PlainSetupLogsAndUsesSingleSamples) {
    LogCapture log;
    ASSERT_TRUE(InitTestDevice(kSize, kSize, false));
    if (gMsaaEnabled) GTEST_SKIP() << "another test made the device with anti-aliasing first";
    EXPECT_EQ(gSampleCount, 1);
    EXPECT_EQ(gSwapChain->GetBuffer()->GetDesc().SampleDesc.Count, 1u);
    EXPECT_EQ(gDepthStencilView->GetDesc().ViewDimension, gpu::DsvDimension::Texture2D);
    EXPECT_EQ(gRefreshRateNumerator, 60);
    EXPECT_NE(gVideoCardDescription[0], '\0');
}

TEST(Targets, HeadlessPresentPacesOnlyWithSyncInterval) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));
    // Interval 1 keeps a headless run at sixty frames per second instead of spinning: seven
    // presents span at least six frame periods. (Only the lower bound, which sleeping
    // guarantees, is checked; upper bounds are noise on shared machines.)
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 7; ++i) gSwapChain->Present(1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
}

}  // namespace

TEST(Targets, AnIncompleteTargetCombinationIsReportedOnceAndDrawsNothing) {
    ASSERT_TRUE(InitTestDevice(kSize, kSize));  // no anti-aliasing: the depth buffer has one sample
    TestTarget ms = MakeTestTarget(kSize, kSize, 4);
    ASSERT_TRUE(ms.view);
    LogCapture log;
    for (int frame = 0; frame < 3; ++frame) {
        gContext->OMSetRenderTargets(1, &ms.view, gDepthStencilView);  // sample counts differ
        gContext->IASetInputLayout(nullptr);
        gContext->VSSetShader(Diagonal());
        gContext->PSSetShader(gDevice->CreatePixelShader(SolidColourPixelBlob(1, 1, 1, 1)));
        gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
        gContext->Draw(3, 0);
    }
    EXPECT_EQ(log.CountContaining("Failed to make a framebuffer"), 1);
}
