#include "effects/hsl.h"

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"

namespace Effects {

HSL::HSL() : constants_(4 * sizeof(float)) {}

HSL::~HSL() = default;

bool HSL::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("hsl.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    resolve_ = CreateResolveTexture();
    return true;
}

void HSL::Render(double time, DynamicTexturePair& frameChain) {
    if (!shader_ || !shader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }
    const float constants[4] = {
        static_cast<float>(GetParamDouble("hue", time, 0.0)),
        static_cast<float>(GetParamDouble("saturation", time, 1.0)),
        static_cast<float>(GetParamDouble("luminance", time, 1.0)),
        0.0f,
    };
    constants_.Update(constants);
    BindConstants(0, constants_.GetBuffer());

    const DynamicTexture& source = ResolveForReading(frameChain.GetCurrent(), resolve_.get());
    UnbindRenderTargets();
    BindTexture(0, source.GetView());
    frameChain.Advance();
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();
}

std::vector<ShaderUse> HSL::GetShaderUses() const { return {{"hsl.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
