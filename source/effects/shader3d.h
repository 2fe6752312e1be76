#pragma once
// A textured quad with a shader of the script's choice, placed in the 3D scene and drawn
// with depth testing into the current frame. The chain is not advanced.
//   b4 (both stages): world matrix (not transposed), local time, float1..float6,
//                     gRandomSeed / 2^32
//   t0, t1 (both stages): image1, image2 (null when not named)
#include <memory>

#include "effects/effect.h"
#include "graphics/constantbuffer.h"

class Shader;
class Texture;

namespace Effects {

class Shader3D : public Effect {
public:
    Shader3D();
    ~Shader3D() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    ConstantBuffer constants_;
    std::unique_ptr<Texture> image1_;
    std::unique_ptr<Texture> image2_;
    std::unique_ptr<Shader> shader_;
};

}  // namespace Effects
