#include "effects/fullscreenshadereffect.h"

#include <string>

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "system/globals.h"

namespace Effects {
namespace {

struct Constants {
    float time;
    float values[5];
    float zero;
    float random;
};
static_assert(sizeof(Constants) == 32, "FullScreenShaderEffect constants are eight floats");

}  // namespace

FullScreenShaderEffect::FullScreenShaderEffect() : constants_(sizeof(Constants)) {}

FullScreenShaderEffect::~FullScreenShaderEffect() = default;

bool FullScreenShaderEffect::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    image1_ = std::make_unique<Texture>(GetParamString("image1", ""));
    shader_ = std::make_unique<Shader>(GetParamString("shader", ""));
    shader_->LoadVS("VS");
    shader_->LoadPS(GetParamString("pixelShader", "PS"));
    resolve_ = CreateResolveTexture();
    return true;
}

void FullScreenShaderEffect::Render(double time, DynamicTexturePair& frameChain) {
    if (!shader_ || !shader_->Set(GetParamString("pixelShader", "PS"), "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }
    const DynamicTexture& source = ResolveForReading(frameChain.GetCurrent(), resolve_.get());

    Constants constants;
    constants.time = static_cast<float>(time);
    static const char* const kNames[5] = {"float1", "float2", "float3", "float4", "float5"};
    for (int i = 0; i < 5; ++i) constants.values[i] = static_cast<float>(GetParamDouble(kNames[i], time, 0.0));
    constants.zero = 0.0f;
    constants.random = static_cast<float>(gRandomSeed / 4294967296.0);
    constants_.Update(&constants);
    BindConstants(0, constants_.GetBuffer());

    UnbindRenderTargets();
    BindTexture(0, source.GetView());
    BindTexture(1, image1_ ? image1_->GetView() : nullptr);
    frameChain.Advance();
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();
}

std::vector<ShaderUse> FullScreenShaderEffect::GetShaderUses() const {
    return {{GetParamString("shader", ""), {"VS"}, {GetParamString("pixelShader", "PS")}}};
}

}  // namespace Effects
