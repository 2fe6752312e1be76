#include "effects/fullscreenshader.h"

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
    float values[6];
    float random;
};
static_assert(sizeof(Constants) == 32, "FullScreenShader constants are eight floats");

}  // namespace

const gpu::BlendStatePtr* BlendStateByName(const std::string& name) {
    if (name == "opaque") return &gBlendOpaque;
    if (name == "alpha") return &gBlendAlpha;
    if (name == "additive") return &gBlendAdditive;
    if (name == "multiply") return &gBlendMultiply;
    return nullptr;
}

FullScreenShader::FullScreenShader() : constants_(sizeof(Constants)) {}

FullScreenShader::~FullScreenShader() = default;

bool FullScreenShader::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    image1_ = std::make_unique<Texture>(GetParamString("image1", ""));
    image2_ = std::make_unique<Texture>(GetParamString("image2", ""));
    shader_ = std::make_unique<Shader>(GetParamString("shader", ""));
    shader_->LoadVS("VS");
    shader_->LoadPS(GetParamString("pixelShader", "PS"));
    return true;
}

void FullScreenShader::Render(double time, DynamicTexturePair& frameChain) {
    const std::string pixelShader = GetParamString("pixelShader", "PS");
    const std::string blendMode = GetParamString("blendMode", "alpha");
    if (!shader_ || !shader_->Set(pixelShader, "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }

    Constants constants;
    constants.time = static_cast<float>(time);
    static const char* const kNames[6] = {"float1", "float2", "float3", "float4", "float5", "float6"};
    for (int i = 0; i < 6; ++i) constants.values[i] = static_cast<float>(GetParamDouble(kNames[i], time, 0.0));
    constants.random = static_cast<float>(gRandomSeed / 4294967296.0);
    constants_.Update(&constants);
    BindConstants(2, constants_.GetBuffer());

    // Fetching the views reloads images whose files have changed.
    BindTexture(0, image1_ ? image1_->GetView() : nullptr);
    BindTexture(1, image2_ ? image2_->GetView() : nullptr);

    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    if (const gpu::BlendStatePtr* blend = BlendStateByName(blendMode))
        gContext->OMSetBlendState(*blend, nullptr, 0xffffffffu);
    DrawFullScreenQuad();
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xffffffffu);
}

std::vector<ShaderUse> FullScreenShader::GetShaderUses() const {
    return {{GetParamString("shader", ""), {"VS"}, {GetParamString("pixelShader", "PS")}}};
}

}  // namespace Effects
