#include "effects/rgbsplit.h"

#include <cmath>

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"

namespace Effects {
namespace {

struct Constants {
    float dirX;
    float dirY;
    float mix;
    float zero0;
    float offsets[3];
    float zero1;
};
static_assert(sizeof(Constants) == 32, "RGBSplit constants are eight floats");

constexpr float kDegreesToRadians = 0.017453292f;

}  // namespace

RGBSplit::RGBSplit() : constants_(sizeof(Constants)) {}

RGBSplit::~RGBSplit() = default;

bool RGBSplit::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("rgbsplit.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    resolve_ = CreateResolveTexture();
    return true;
}

void RGBSplit::Render(double time, DynamicTexturePair& frameChain) {
    const double mix = mix_.GetDouble(*this, time);
    if (!shader_ || mix == 0.0 || !shader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }
    const DynamicTexture& source = ResolveForReading(frameChain.GetCurrent(), resolve_.get());

    const float radians = static_cast<float>(angle_.GetDouble(*this, time)) * kDegreesToRadians;
    const vec3 offsets = offsets_.GetVec3(*this, time);
    Constants constants;
    constants.dirX = std::cos(radians) / frameChain.GetWidth();
    constants.dirY = std::sin(radians) / frameChain.GetHeight();
    constants.mix = static_cast<float>(mix);
    constants.zero0 = 0.0f;
    constants.offsets[0] = offsets.x;
    constants.offsets[1] = offsets.y;
    constants.offsets[2] = offsets.z;
    constants.zero1 = 0.0f;
    constants_.Update(&constants);
    BindConstants(0, constants_.GetBuffer());

    UnbindRenderTargets();
    BindTexture(0, source.GetView());
    frameChain.Advance();
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();
}

std::vector<ShaderUse> RGBSplit::GetShaderUses() const { return {{"rgbsplit.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
