#include "effects/flyers.h"

#include <cmath>

#include "effects/scenedraw.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/matrices.h"
#include "graphics/model.h"
#include "graphics/shader.h"
#include "system/log.h"
#include "system/random.h"

namespace Effects {

Flyers::Flyers() = default;

Flyers::~Flyers() = default;

std::vector<Flyers::Record> Flyers::MakeRecords(int count) {
    std::vector<Record> records;
    uint32_t state = 0;
    for (int i = 0; i < count; ++i) {
        Record record;
        record.a = 2.0f * RandomDraw(state) - 1.0f;
        record.b = 2.0f * RandomDraw(state) - 1.0f;
        record.c = RandomDraw(state);
        record.d = RandomDraw(state);
        record.e = RandomDraw(state);
        records.push_back(record);
    }
    return records;
}

glm::mat4 Flyers::Instance(const Record& r, const Lanes& lanes, double time) {
    const float side = r.a < 0.0f ? -1.0f : 1.0f;
    const float x = side * (lanes.minDistance + std::fabs(r.a) * (lanes.maxDistance - lanes.minDistance));
    const float y = lanes.height + r.b * lanes.heightRange;
    // Lane lengths travelled, wrapped into [0, 1]; double precision keeps late times smooth.
    const double speed = lanes.minSpeed + r.c * (lanes.maxSpeed - lanes.minSpeed);
    double phase = std::fmod(speed * time + r.d, 1.0);
    if (phase < 0.0) phase += 1.0;
    const float z = lanes.minX + float(phase) * (lanes.maxX - lanes.minX);
    const float scale = lanes.minScale + r.e * (lanes.maxScale - lanes.minScale);
    return MatrixTranspose(MatrixMultiply(MatrixScaling(scale), MatrixTranslation(x, y, z)));
}

bool Flyers::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("3d.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");

    records_.clear();
    const std::string modelName = obj_.GetString(*this);
    model_ = std::make_unique<Model>();
    if (!model_->Load(modelName, Model::AnimationNameFor(modelName))) {
        // Init fails; the effect stays in the show and draws nothing.
        LOG("Failed to load model '%s'; Flyers draws nothing", modelName.c_str());
        model_.reset();
        return false;
    }

    int count = GetParamInt("count", 100);
    if (count < 0 || count > kMaxCount) {
        const int used = count < 0 ? 0 : kMaxCount;
        LOG("Flyers count %d is outside 0 to %d; using %d", count, kMaxCount, used);
        count = used;
    }
    records_ = MakeRecords(count);
    return true;
}

Flyers::Lanes Flyers::ReadLanes(double time) {
    Lanes lanes;
    lanes.minScale = minScale_.GetFloat(*this, time);
    lanes.maxScale = maxScale_.GetFloat(*this, time);
    lanes.height = height_.GetFloat(*this, time);
    lanes.heightRange = heightRange_.GetFloat(*this, time);
    lanes.minX = minX_.GetFloat(*this, time);
    lanes.maxX = maxX_.GetFloat(*this, time);
    lanes.minDistance = minDistance_.GetFloat(*this, time);
    lanes.maxDistance = maxDistance_.GetFloat(*this, time);
    lanes.minSpeed = minSpeed_.GetFloat(*this, time);
    lanes.maxSpeed = maxSpeed_.GetFloat(*this, time);
    return lanes;
}

void Flyers::Render(double time, DynamicTexturePair& frameChain) {
    const Lanes lanes = ReadLanes(time);
    if (!SetSceneShader(shader_.get(), frameChain)) return;
    if (!model_ || model_->GetMeshCount() == 0) return;

    model_->SetMaterial(0);
    model_->SetGeometry(0, 0.0f);
    BeginDepthDraw(frameChain);

    instances_.clear();
    for (const Record& record : records_) instances_.push_back(Instance(record, lanes, time));
    if (!instances_.empty()) model_->DrawInstances(0, &instances_[0][0][0], instances_.size(), 0.0f);

    EndDepthDraw();
}

std::vector<ShaderUse> Flyers::GetShaderUses() const { return {{"3d.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
