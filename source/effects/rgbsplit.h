#pragma once
// Separates the colour channels along a direction ("rgbsplit.fx"), one post-process pass.
//   b0 (both stages): cos(angle) / width, sin(angle) / height, mix, 0, offsets x y z, 0
//   t0: the frame
#include <memory>

#include "effects/effect.h"
#include "effects/requiredparam.h"
#include "graphics/constantbuffer.h"

class DynamicTexture;
class Shader;

namespace Effects {

class RGBSplit : public Effect {
public:
    RGBSplit();
    ~RGBSplit() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    // A `mix` of exactly 0 draws the failure colour, like a shader that cannot be used.
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
    std::unique_ptr<DynamicTexture> resolve_;  // only with anti-aliasing
    RequiredParam mix_{"mix"};
    RequiredParam angle_{"angle"};
    RequiredParam offsets_{"offsets"};
};

}  // namespace Effects
