#include "effects/scenedraw.h"

#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"

namespace Effects {

bool SetSceneShader(Shader* shader, DynamicTexturePair& frameChain) {
    if (shader && shader->Set("PS", "VS")) return true;
    gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
    return false;
}

void BeginDepthDraw(DynamicTexturePair& frameChain) {
    gContext->OMSetRenderTargets(1, &frameChain.GetCurrent().GetTarget(), gDepthStencilView);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    gContext->OMSetDepthStencilState(gDepthReadWrite, 1);
}

void EndDepthDraw() { gContext->OMSetDepthStencilState(gDepthOff, 1); }

}  // namespace Effects
