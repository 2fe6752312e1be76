#pragma once
// A post-process pass with a shader of the script's choice: reads the current frame,
// advances the chain and writes the next one.
//   b0 (both stages): local time, float1..float5, 0, gRandomSeed / 2^32
//   t0: the frame; t1: image1 (null when not named)
#include <memory>

#include "effects/effect.h"
#include "graphics/constantbuffer.h"

class DynamicTexture;
class Shader;
class Texture;

namespace Effects {

class FullScreenShaderEffect : public Effect {
public:
    FullScreenShaderEffect();
    ~FullScreenShaderEffect() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    std::unique_ptr<Texture> image1_;
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
    std::unique_ptr<DynamicTexture> resolve_;  // only with anti-aliasing
};

}  // namespace Effects
