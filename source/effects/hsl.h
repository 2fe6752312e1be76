#pragma once
// Hue, saturation and luminance adjustment of the frame ("hsl.fx"), one post-process pass.
//   b0 (both stages): hue, saturation, luminance, 0; t0: the frame
#include <memory>

#include "effects/effect.h"
#include "graphics/constantbuffer.h"

class DynamicTexture;
class Shader;

namespace Effects {

class HSL : public Effect {
public:
    HSL();
    ~HSL() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
    // With anti-aliasing the frame is resolved first: the shader reads a single-sampled
    // texture, and a multisampled one would read as black.
    std::unique_ptr<DynamicTexture> resolve_;
};

}  // namespace Effects
