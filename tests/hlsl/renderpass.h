#pragma once
// The set-up every render test of translated shaders shares: the target cleared to zero and
// bound alone, a viewport over all of it, opaque blending and the two shaders.
#include "graphics/devicestate.h"
#include "support/gputest.h"

inline void BeginRenderPass(const TestTarget& target, int size, const gpu::VertexShaderPtr& vs,
                            const gpu::PixelShaderPtr& ps) {
    const float clear[4] = {0, 0, 0, 0};
    gContext->OMSetRenderTargets(1, &target.view, nullptr);
    gContext->ClearRenderTargetView(target.view, clear);
    gpu::Viewport viewport;
    viewport.Width = viewport.Height = static_cast<float>(size);
    gContext->RSSetViewports(1, &viewport);
    const float factor[4] = {0, 0, 0, 0};
    gContext->OMSetBlendState(gBlendOpaque, factor, 0xFFFFFFFF);
    gContext->VSSetShader(vs);
    gContext->PSSetShader(ps);
}
