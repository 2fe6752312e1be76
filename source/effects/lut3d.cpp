#include "effects/lut3d.h"

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "graphics/texture3d.h"

namespace Effects {

Lut3D::Lut3D() : constants_(4 * sizeof(float)) {}

Lut3D::~Lut3D() = default;

bool Lut3D::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    table_ = std::make_unique<Texture3D>();
    table_->Load(lutName_.GetString(*this));
    shader_ = std::make_unique<Shader>("lut3D.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    resolve_ = CreateResolveTexture();
    return true;
}

void Lut3D::Render(double time, DynamicTexturePair& frameChain) {
    if (!shader_ || !shader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kLightSeaGreen);
        return;
    }
    const DynamicTexture& source = ResolveForReading(frameChain.GetCurrent(), resolve_.get());

    const float constants[4] = {static_cast<float>(strength_.GetDouble(*this, time)), 0.0f, 0.0f, 0.0f};
    constants_.Update(constants);
    gContext->PSSetConstantBuffers(0, 1, &constants_.GetBuffer());

    UnbindRenderTargets();
    // Fetching the table's view reloads it when its file has changed on disk.
    BindTexture(0, table_ ? table_->GetView() : nullptr);
    BindTexture(1, source.GetView());
    frameChain.Advance();
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();

    BindTexture(0, nullptr);
    BindTexture(1, nullptr);
}

std::vector<ShaderUse> Lut3D::GetShaderUses() const { return {{"lut3D.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
