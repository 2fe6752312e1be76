#pragma once
// Colour grading through a 3D look-up table from a .cube file ("lut3D.fx"), one
// post-process pass. The table is reloaded when its file changes.
//   b0 (pixel): strength, 0, 0, 0; t0: the table; t1: the frame (the reverse of the others)
#include <memory>

#include "effects/effect.h"
#include "effects/requiredparam.h"
#include "graphics/constantbuffer.h"

class DynamicTexture;
class Shader;
class Texture3D;

namespace Effects {

class Lut3D : public Effect {
public:
    Lut3D();
    ~Lut3D() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

private:
    std::unique_ptr<Texture3D> table_;
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
    std::unique_ptr<DynamicTexture> resolve_;  // only with anti-aliasing
    RequiredParam lutName_{"lutName"};
    RequiredParam strength_{"strength"};
};

}  // namespace Effects
