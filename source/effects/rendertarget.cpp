#include "effects/rendertarget.h"

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"

namespace Effects {

RenderTarget::RenderTarget() : shader_("final.fx"), chain_(float(gScreenWidth), float(gScreenHeight)) {
    shader_.LoadVS("VS");
    shader_.LoadPS("PS");
    resolve_ = CreateResolveTexture();
}

RenderTarget::~RenderTarget() = default;

void RenderTarget::Update(double time, DynamicTexturePair& frameChain) {
    if (!CoversTime(time)) return;
    const double local = LocalTime(time);
    for (const std::unique_ptr<Effect>& child : children_) child->Update(local, chain_);
    Render(local, frameChain);
}

void RenderTarget::Render(double time, DynamicTexturePair& frameChain) {
    if (!shader_.Set("PS", "VS")) {
        gContext->ClearRenderTargetView(gBackBufferView, kWheat);
        return;
    }
    const DynamicTexture& source = ResolveForReading(chain_.GetCurrent(), resolve_.get());
    UnbindRenderTargets();
    BindTexture(0, source.GetView());
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();
}

std::vector<ShaderUse> RenderTarget::GetShaderUses() const { return {{"final.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
