#pragma once
// Copies of a model moving along straight lanes parallel to z at random speeds, wrapping
// back to the lane's start when they reach its end. Each copy's lane side, height, speed,
// phase and scale come from five random values drawn once from a sequence that starts at
// 0; the ranges they select from are read every frame. Only the model's first mesh is
// drawn, always at animation time 0.
//   shader "3d.fx" (VS, PS); instance matrices t6 (vertex stage), transposed
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>

#include "effects/effect.h"
#include "effects/finiteparam.h"
#include "effects/requiredparam.h"

class Model;
class Shader;

namespace Effects {

class Flyers : public Effect {
public:
    // More flyers than this are not made.
    static constexpr int kMaxCount = 100000;

    // a, b in [-1, 1]; c, d, e in [0, 1].
    struct Record {
        float a, b, c, d, e;
    };

    struct Lanes {
        float minScale = 1, maxScale = 1;
        float height = 0, heightRange = 0;
        float minX = 0, maxX = 0;
        float minDistance = 0, maxDistance = 0;
        float minSpeed = 0, maxSpeed = 0;
    };

    Flyers();
    ~Flyers() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // `count` records from a random sequence starting at state 0.
    static std::vector<Record> MakeRecords(int count);
    // The transposed world matrix S(scale) x T(x, y, z) of one flyer at local time t.
    static glm::mat4 Instance(const Record& record, const Lanes& lanes, double time);

    const std::vector<Record>& GetRecords() const { return records_; }
    const Model* GetModel() const { return model_.get(); }

private:
    Lanes ReadLanes(double time);

    std::unique_ptr<Shader> shader_;
    std::unique_ptr<Model> model_;
    std::vector<Record> records_;
    std::vector<glm::mat4> instances_;  // kept between frames to reuse its storage
    RequiredParam obj_{"obj"};
    FiniteParam minScale_{"minScale", 1}, maxScale_{"maxScale", 1};
    FiniteParam height_{"height", 0}, heightRange_{"heightRange", 0};
    FiniteParam minX_{"minX", 0}, maxX_{"maxX", 0};
    FiniteParam minDistance_{"minDistance", 0}, maxDistance_{"maxDistance", 0};
    FiniteParam minSpeed_{"minSpeed", 0}, maxSpeed_{"maxSpeed", 0};
};

}  // namespace Effects
