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
    shader_->LoadPS("PS_NoMaskHorizontal");
    shader_->LoadPS("PS_NoMaskVertical");

    kernel_.reset();
    const int kernelSize = GetParamInt("kernelSize", 51);
    const std::vector<KernelTap> taps = BuildBlurKernel(kernelSize);
    if (taps.empty()) {
        LOG("Failed to grow blur kernel of size %d", kernelSize);
        return false;
    }
    kernel_ = std::make_unique<StructureBuffer<KernelTap>>(uint32_t(taps.size()));
    kernel_->Update(taps.data(), uint32_t(taps.size()));

    resolve_.reset();
    if (gMsaaEnabled) resolve_ = std::make_unique<DynamicTexture>(float(gScreenWidth), float(gScreenHeight), false);
    return true;
}

bool Blur::Pass(const char* entry, DynamicTexturePair& frameChain) {
    if (!shader_->Set(entry, "VS")) return false;
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

    const bool failed = !Pass(mask_ ? "PS_MaskHorizontal" : "PS_NoMaskHorizontal", frameChain);
    if (!Pass(mask_ ? "PS_MaskVertical" : "PS_NoMaskVertical", frameChain) || failed)
        gContext->ClearRenderTargetView(gBackBufferView, kHotPink);
}

}  // namespace Effects
