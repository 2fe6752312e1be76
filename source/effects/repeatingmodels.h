#pragma once
// Draws a model many times, placed on randomised rings (see ringgenerator.h), with depth
// testing into the current frame. The rings are made three times per frame, with the
// parameters taken at t, t - 23 and t - 48.5, and every copy of all three passes is drawn.
//   shader "3d.fx" (VS, PS); instance matrices t6 (vertex stage), transposed
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>

#include "effects/effect.h"
#include "effects/requiredparam.h"

class Model;
class Shader;

namespace Effects {

class RepeatingModels : public Effect {
public:
    // More copies than this in one frame are dropped.
    static constexpr size_t kMaxInstances = 1000000;

    RepeatingModels();
    ~RepeatingModels() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // Rebuilds the instance list of all three passes for local time t.
    const std::vector<glm::mat4>& BuildInstances(double time);
    const std::vector<glm::mat4>& GetInstances() const { return instances_; }
    const Model* GetModel() const { return model_.get(); }

private:
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<Model> model_;
    std::string modelName_;
    std::vector<glm::mat4> instances_;  // kept between frames to reuse its storage
    RequiredParam obj_{"obj"};
    bool overflowReported_ = false;
};

}  // namespace Effects
