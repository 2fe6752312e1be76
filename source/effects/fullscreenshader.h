#pragma once
// Draws a full-screen quad with a shader of the script's choice and up to two images over
// the current frame, blended by name. The chain is not advanced.
//   b2 (both stages): local time, float1..float6, gRandomSeed / 2^32
//   t0, t1 (both stages): image1, image2 (null when not named)
#include <memory>
#include <string>

#include "effects/effect.h"
#include "graphics/constantbuffer.h"

class Shader;
class Texture;

namespace Effects {

class FullScreenShader : public Effect {
public:
    FullScreenShader();
    ~FullScreenShader() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    std::unique_ptr<Texture> image1_;
    std::unique_ptr<Texture> image2_;
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
};

// The blend state a script names: "opaque", "alpha", "additive" or "multiply", matched
// exactly; null for anything else.
const gpu::BlendStatePtr* BlendStateByName(const std::string& name);

}  // namespace Effects
