#include "graphics/model.h"

#include <cmath>
#include <regex>

#include "graphics/texture.h"
#include "system/filewatcher.h"

// Placeholder until the OBJ loader lands: every load fails and nothing draws.
Model::Model() : materialConstants_(80) {}

Model::~Model() = default;

std::string Model::AnimationNameFor(const std::string& modelName) {
    static const std::regex kObj("\\.obj", std::regex::ECMAScript);
    return std::regex_replace(modelName, kObj, ".pc2");
}

bool Model::Load(const std::string& modelName, const std::string& animationName) {
    meshes_.clear();
    modelWatcher_ = std::make_unique<FileWatcher>(modelName);
    animationWatcher_ = std::make_unique<FileWatcher>(animationName);
    return false;
}

void Model::SetMaterial(size_t meshIndex) {}
void Model::SetGeometry(size_t meshIndex, float time) {}
void Model::DrawInstances(size_t meshIndex, const float* matrices, size_t count, float time) {}
void Model::Render(float time, const float* world) {}

size_t Model::FrameIndex(float time, float frameRate, size_t frameCount) {
    if (frameCount == 0) return 0;
    const float product = time * frameRate;
    if (!std::isfinite(product)) return 0;
    const long long frame = static_cast<long long>(std::trunc(std::fmod(product, float(frameCount))));
    const long long count = static_cast<long long>(frameCount);
    return static_cast<size_t>(((frame % count) + count) % count);
}
