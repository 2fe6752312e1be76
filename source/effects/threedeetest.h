#pragma once
// Draws one model, optionally animated, with a scale, rotation and position, with depth
// testing into the current frame.
//   b6 (pixel stage only): local time, animation frame, 0, 0
#include <memory>

#include "effects/effect.h"
#include "graphics/constantbuffer.h"

class Model;
class Shader;

namespace Effects {

class ThreeDeeTest : public Effect {
public:
    ThreeDeeTest();
    ~ThreeDeeTest() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    const Model* GetModel() const { return model_.get(); }

private:
    std::unique_ptr<Shader> shader_;
    ConstantBuffer constants_;
    std::unique_ptr<Model> model_;
};

}  // namespace Effects
