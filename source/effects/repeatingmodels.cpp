#include "effects/repeatingmodels.h"

#include "effects/ringgenerator.h"
#include "effects/scenedraw.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/model.h"
#include "graphics/shader.h"
#include "system/log.h"

namespace Effects {
namespace {
// The three passes: the parameters at these offsets from the local time.
constexpr double kPassOffsets[3] = {0.0, -23.0, -48.5};
}  // namespace

RepeatingModels::RepeatingModels() = default;

RepeatingModels::~RepeatingModels() = default;

bool RepeatingModels::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("3d.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    modelName_ = obj_.GetString(*this);
    model_ = std::make_unique<Model>();
    model_->Load(modelName_, Model::AnimationNameFor(modelName_));
    return true;
}

const std::vector<glm::mat4>& RepeatingModels::BuildInstances(double time) {
    instances_.clear();
    bool complete = true;
    for (double offset : kPassOffsets)
        complete = GenerateRings(ReadRingSettings(*this, time + offset), instances_, kMaxInstances) && complete;
    // One line when the limit starts cutting copies, and again only after it stopped.
    if (!complete && !overflowReported_)
        LOG("Too many copies of '%s': drawing the first %zu", modelName_.c_str(), kMaxInstances);
    overflowReported_ = !complete;
    return instances_;
}

void RepeatingModels::Render(double time, DynamicTexturePair& frameChain) {
    if (!SetSceneShader(shader_.get(), frameChain)) return;
    BuildInstances(time);

    BeginDepthDraw(frameChain);

    const float t = static_cast<float>(time);
    const float* matrices = instances_.empty() ? nullptr : &instances_[0][0][0];
    if (model_) {
        for (size_t mesh = 0; mesh < model_->GetMeshCount(); ++mesh) {
            model_->SetMaterial(mesh);
            model_->SetGeometry(mesh, t);
            model_->DrawInstances(mesh, matrices, instances_.size(), t);
        }
    }

    EndDepthDraw();
}

std::vector<ShaderUse> RepeatingModels::GetShaderUses() const { return {{"3d.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
