#include "effects/bloom.h"

#include <cstdint>

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/shader.h"
#include "system/log.h"

namespace Effects {
namespace {

struct Constants {
    float invWidth;
    float invHeight;
    int32_t taps;
    float strength;
    float middleGrey;
    float whiteCutOff;
    float cutOff;
    float unused;
};
static_assert(sizeof(Constants) == 32, "Bloom constants are eight 32-bit values");

}  // namespace

Bloom::Bloom() : constants_(sizeof(Constants)), chain_(float(gScreenWidth), float(gScreenHeight)) {}

Bloom::~Bloom() = default;

bool Bloom::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("bloom.fx");
    shader_->LoadVS("VS");
    for (const char* entry : {"PS_Bright", "PS_Horizontal", "PS_Vertical", "PS_Combine"}) shader_->LoadPS(entry);

    kernel_.reset();
    const int kernelSize = GetParamInt("kernelSize", 51);
    const std::vector<KernelTap> taps = BuildBlurKernel(kernelSize);
    if (taps.empty()) {
        LOG("Failed to grow blur kernel of size %d", kernelSize);
        return false;
    }
    kernel_ = std::make_unique<StructureBuffer<KernelTap>>(uint32_t(taps.size()));
    kernel_->Update(taps.data(), uint32_t(taps.size()));

    resolveA_ = CreateResolveTexture();
    resolveB_ = CreateResolveTexture();
    return true;
}

void Bloom::Render(double time, DynamicTexturePair& frameChain) {
    if (!kernel_) {
        gContext->ClearRenderTargetView(gBackBufferView, kHotPink);
        return;
    }
    const double strength = GetParamDouble("strength", time, 0.5);
    const double cutOff = GetParamDouble("cutOff", time, 0.5);
    const double middleGrey = GetParamDouble("middleGrey", time, 0.18f);
    const double whiteCutOff = GetParamDouble("whiteCutOff", time, 0.8f);
    if (strength <= 0.0) return;

    Constants constants;
    constants.invWidth = 1.0f / chain_.GetWidth();
    constants.invHeight = 1.0f / chain_.GetHeight();
    constants.taps = static_cast<int32_t>(kernel_->GetUsed());
    constants.strength = static_cast<float>(strength * 10.0);
    constants.middleGrey = static_cast<float>(middleGrey);
    constants.whiteCutOff = static_cast<float>(whiteCutOff);
    constants.cutOff = static_cast<float>(cutOff * 0.12 + 0.0001);
    constants.unused = 0.0f;
    constants_.Update(&constants);
    BindConstants(0, constants_.GetBuffer());
    gContext->PSSetShaderResources(5, 1, &kernel_->GetView());

    bool failed = false;

    // Bright pass: frame -> private current texture (the private chain is not advanced).
    const DynamicTexture& frame = ResolveForReading(frameChain.GetCurrent(), resolveA_.get());
    const gpu::ShaderResourceViewPtr frameView = frame.GetView();
    if (shader_->Set("PS_Bright", "VS")) {
        UnbindRenderTargets();
        BindTexture(0, frameView);
        SetRenderTarget(chain_.GetCurrent().GetTarget());
        DrawFullScreenQuad();
    } else {
        failed = true;
    }

    // Horizontal then vertical blur, each into the other private texture; after both the
    // private chain's index is back where it started.
    for (const char* entry : {"PS_Horizontal", "PS_Vertical"}) {
        if (!shader_->Set(entry, "VS")) {
            failed = true;
            continue;
        }
        const DynamicTexture& source = ResolveForReading(chain_.GetCurrent(), resolveB_.get());
        UnbindRenderTargets();
        BindTexture(0, source.GetView());
        chain_.Advance();
        SetRenderTarget(chain_.GetCurrent().GetTarget());
        DrawFullScreenQuad();
    }

    // Combine: frame and bloom -> the next texture of the frame chain.
    if (shader_->Set("PS_Combine", "VS")) {
        const DynamicTexture& bloom = ResolveForReading(chain_.GetCurrent(), resolveB_.get());
        UnbindRenderTargets();
        BindTexture(0, frameView);
        BindTexture(1, bloom.GetView());
        frameChain.Advance();
        SetRenderTarget(frameChain.GetCurrent().GetTarget());
        DrawFullScreenQuad();
    }

    if (failed) gContext->ClearRenderTargetView(gBackBufferView, kHotPink);
}

std::vector<ShaderUse> Bloom::GetShaderUses() const {
    return {{"bloom.fx", {"VS"}, {"PS_Bright", "PS_Horizontal", "PS_Vertical", "PS_Combine"}}};
}

}  // namespace Effects
