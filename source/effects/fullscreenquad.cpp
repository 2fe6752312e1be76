#include "effects/fullscreenquad.h"

#include "graphics/devicestate.h"

namespace Effects {

void DrawFullScreenQuad() {
    const uint32_t stride = 32;
    const uint32_t offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
}

void UnbindRenderTargets() { gContext->OMSetRenderTargets(0, nullptr, nullptr); }

void SetRenderTarget(const gpu::RenderTargetViewPtr& target) { gContext->OMSetRenderTargets(1, &target, nullptr); }

void BindTexture(uint32_t slot, const gpu::ShaderResourceViewPtr& view) {
    gContext->PSSetShaderResources(slot, 1, &view);
    gContext->VSSetShaderResources(slot, 1, &view);
}

void BindConstants(uint32_t slot, const gpu::BufferPtr& buffer) {
    gContext->VSSetConstantBuffers(slot, 1, &buffer);
    gContext->PSSetConstantBuffers(slot, 1, &buffer);
}

}  // namespace Effects
