#pragma once
// Blur: a separable Gaussian through the frame chain, horizontal then vertical, optionally
// scaled per pixel by a mask ("blur.fx": PS_NoMask/PS_Mask + Horizontal/Vertical).
//   b0 (both stages): 1/width, 1/height, strength, taps (int)
//   t5 (pixel): the blur kernel; t0: the image; t1: the mask (null without one)
#include <memory>
#include <string>

#include "effects/blurkernel.h"
#include "effects/effect.h"
#include "effects/requiredparam.h"
#include "graphics/constantbuffer.h"
#include "graphics/structurebuffer.h"

class DynamicTexture;
class Shader;
class Texture;

namespace Effects {

class Blur : public Effect {
public:
    Blur();
    ~Blur() override;

    // Fails (after logging) when `kernelSize` gives no kernel.
    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    // One pass from the chain's current texture into the next; false when the entry cannot
    // be made current (nothing is drawn then).
    bool Pass(const std::string& entry, DynamicTexturePair& frameChain);

    std::unique_ptr<Texture> mask_;
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<StructureBuffer<KernelTap>> kernel_;
    ConstantBuffer constants_;
    std::unique_ptr<DynamicTexture> resolve_;  // only with anti-aliasing
    RequiredParam strength_{"strength"};
};

}  // namespace Effects
