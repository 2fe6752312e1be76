#include "effects/blur.h"

#include <cstdint>
#include <string>

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "system/log.h"

namespace Effects {
namespace {

struct Constants {
    float invWidth;
    float invHeight;
    float strength;
    int32_t taps;
};
static_assert(sizeof(Constants) == 16, "Blur constants are four 32-bit values");

// Made once: names this long would be allocated anew on every call.
const std::string kNoMaskHorizontal = "PS_NoMaskHorizontal";
const std::string kNoMaskVertical = "PS_NoMaskVertical";
const std::string kMaskHorizontal = "PS_MaskHorizontal";
const std::string kMaskVertical = "PS_MaskVertical";
const std::string kVertexEntry = "VS";

}  // namespace

Blur::Blur() : constants_(sizeof(Constants)) {}

Blur::~Blur() = default;

bool Blur::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    const std::string mask = GetParamString("mask", "");
    mask_.reset();
    if (!mask.empty()) mask_ = std::make_unique<Texture>(mask);

    shader_ = std::make_unique<Shader>("blur.fx");
    shader_->LoadVS("VS");
    // The mask entries compile when they are first made current.
    shader_->LoadPS(kNoMaskHorizontal);
    shader_->LoadPS(kNoMaskVertical);

    kernel_.reset();
    const int kernelSize = GetParamInt("kernelSize", 51);
    const std::vector<KernelTap> taps = BuildBlurKernel(kernelSize);
    if (taps.empty()) {
        LOG("Failed to grow blur kernel of size %d", kernelSize);
        return false;
    }
    kernel_ = std::make_unique<StructureBuffer<KernelTap>>(uint32_t(taps.size()));
    kernel_->Update(taps.data(), uint32_t(taps.size()));

    resolve_ = CreateResolveTexture();
    return true;
}

bool Blur::Pass(const std::string& entry, DynamicTexturePair& frameChain) {
    if (!shader_->Set(entry, kVertexEntry)) return false;
    const DynamicTexture& source = ResolveForReading(frameChain.GetCurrent(), resolve_.get());
    UnbindRenderTargets();
    BindTexture(0, source.GetView());
    BindTexture(1, mask_ ? mask_->GetView() : nullptr);
    frameChain.Advance();
    SetRenderTarget(frameChain.GetCurrent().GetTarget());
    DrawFullScreenQuad();
    return true;
}

void Blur::Render(double time, DynamicTexturePair& frameChain) {
    if (!kernel_) {
        gContext->ClearRenderTargetView(gBackBufferView, kHotPink);
        return;
    }
    const double strength = strength_.GetDouble(*this, time);
    if (strength <= 0.0) return;

    Constants constants;
    constants.invWidth = 1.0f / frameChain.GetWidth();
    constants.invHeight = 1.0f / frameChain.GetHeight();
    constants.strength = static_cast<float>(strength);
    constants.taps = static_cast<int32_t>(kernel_->GetUsed());
    constants_.Update(&constants);
    BindConstants(0, constants_.GetBuffer());
    gContext->PSSetShaderResources(5, 1, &kernel_->GetView());

    const bool failed = !Pass(mask_ ? kMaskHorizontal : kNoMaskHorizontal, frameChain);
    if (!Pass(mask_ ? kMaskVertical : kNoMaskVertical, frameChain) || failed)
        gContext->ClearRenderTargetView(gBackBufferView, kHotPink);
}

std::vector<ShaderUse> Blur::GetShaderUses() const {
    return {{"blur.fx", {kVertexEntry}, {kNoMaskHorizontal, kNoMaskVertical, kMaskHorizontal, kMaskVertical}}};
}

}  // namespace Effects
