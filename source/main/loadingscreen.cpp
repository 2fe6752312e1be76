#include "main/loadingscreen.h"

#include <algorithm>

#include "graphics/constantbuffer.h"
#include "graphics/devicestate.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "system/globals.h"

LoadingScreen::LoadingScreen(double minimumInterval)
    : image1_(std::make_unique<Texture>("loading1.png")),
      image2_(std::make_unique<Texture>("loading2.png")),
      shader_(std::make_unique<Shader>("loading.fx")),
      constants_(std::make_unique<ConstantBuffer>(16)),
      minimumInterval_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(minimumInterval))) {
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
}

LoadingScreen::~LoadingScreen() = default;

void LoadingScreen::Draw(float progress) {
    if (progress == lastProgress_) return;
    const bool endpoint = progress <= 0.0f || progress >= 1.0f;
    const Clock::time_point start = Clock::now();
    if (!endpoint && start < nextFrame_) return;
    lastProgress_ = progress;
    if (!Render(progress)) return;
    if (minimumInterval_ == Clock::duration::zero()) return;
    // The first frame's cost includes compiling the shader: it says nothing of the next.
    const Clock::time_point end = Clock::now();
    const Clock::duration cost = framesDrawn_ > 1 ? end - start : Clock::duration::zero();
    nextFrame_ = std::max(start + minimumInterval_, end + 3 * cost);
}

bool LoadingScreen::Render(float progress) {
    if (!gContext || !shader_->Set("PS", "VS")) return false;

    // The render aspect, centred in the window, as the final composite places the show.
    gpu::Viewport viewport;
    viewport.Height = static_cast<float>(gOutputHeight);
    viewport.Width = viewport.Height * static_cast<float>(gScreenWidth) / static_cast<float>(gScreenHeight);
    viewport.TopLeftX = (static_cast<float>(gOutputWidth) - viewport.Width) * 0.5f;
    viewport.TopLeftY = 0.0f;
    viewport.MinDepth = 0.0f;
    viewport.MaxDepth = 1.0f;
    gContext->RSSetViewports(1, &viewport);

    const float values[4] = {progress, 0.0f, 0.0f, 0.0f};
    constants_->Update(values);
    const gpu::BufferPtr& buffer = constants_->GetBuffer();
    gContext->VSSetConstantBuffers(0, 1, &buffer);
    gContext->PSSetConstantBuffers(0, 1, &buffer);

    gContext->OMSetRenderTargets(1, &gBackBufferView, nullptr);
    const gpu::ShaderResourceViewPtr views[2] = {image1_->GetView(), image2_->GetView()};
    gContext->PSSetShaderResources(0, 2, views);
    gContext->VSSetShaderResources(0, 2, views);

    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
    ++framesDrawn_;
    if (gSwapChain) gSwapChain->Present(0);
    return true;
}
