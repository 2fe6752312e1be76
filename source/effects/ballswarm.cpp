#include "effects/ballswarm.h"

#include <chrono>
#include <cmath>

#include "effects/filamentdraw.h"
#include "effects/flockrecording.h"
#include "graphics/filamentrenderobject.h"
#include "graphics/shader.h"
#include "system/globals.h"
#include "system/log.h"

namespace Effects {
namespace {

constexpr int kRings = 30;
constexpr int kSides = 5;

// Round at both ends, widest a quarter of the way from the head.
float BallProfile(float u) { return static_cast<float>(std::sin(3.141592653589793 * std::sqrt(double(u)))); }

double Ticks() { return double(std::chrono::steady_clock::now().time_since_epoch().count()); }

}  // namespace

BallSwarm::BallSwarm() = default;

BallSwarm::~BallSwarm() = default;

bool BallSwarm::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    const float middle = progressStart + (progressEnd - progressStart) * 0.5f;
    if (!Effect::Init(progressStart, middle, progress)) return false;
    shader_ = LoadFilamentShader();
    const double start = Ticks();
    Simulate(middle, progressEnd, progress);
    LOG("%f", (Ticks() - start) * gSecondsPerTick);
    return true;
}

void BallSwarm::Simulate(float progressStart, float progressEnd, const ProgressCallback& progress) {
    const int numFrames = GetParamInt("numFrames", 30);
    const int updatesPerFrame = GetParamInt("updatesPerFrame", 10);
    const double count = GetParamDouble("count", 0.0, 100.0);
    const float sphereSize = static_cast<float>(GetParamDouble("sphereSize", 0.0, 250.0));
    const vec3 offset = GetParamVec3("position", 0.0, vec3{});
    const std::string image = GetParamString("image", "");

    filament_.reset();
    if (!FlockSizeValid("BallSwarm", count, numFrames, updatesPerFrame)) return;
    if (!std::isfinite(sphereSize)) {
        LOG("Failed to create the 'BallSwarm' flock: sphereSize %f is not finite", double(sphereSize));
        return;
    }
    const int agentCount = static_cast<int>(count);
    filament_ = std::make_unique<FilamentRenderObject>(image.empty() ? "1x1white.png" : image, agentCount, numFrames,
                                                       kRings, kSides, BallProfile);

    uint32_t state = gRandomSeed;
    std::vector<SwarmAgent> current = CreateSwarm(state, agentCount, sphereSize), next;
    FlockPaths paths(current.size(), numFrames);
    const glm::vec3 shift(offset.x, offset.y, offset.z);

    auto step = [&](double time) {
        FlockRules rules = ReadFlockRules(*this, time);
        rules.sphereSize = static_cast<float>(GetParamDouble("sphereSize", time, 250.0));
        rules.sphereWeight = static_cast<float>(GetParamDouble("sphereWeight", time, 0.001));
        if (!RulesFinite(rules, time)) return false;
        SwarmStep(current, next, rules);
        if (!StepFinite(AgentsFinite(next), time)) return false;
        current.swap(next);
        return true;
    };
    auto record = [&](int frame) {
        for (size_t a = 0; a < current.size(); ++a) paths.Store(a, frame, current[a].position + shift);
    };
    RecordFlock(numFrames, updatesPerFrame, progressStart, progressEnd, progress, step, record);
    filament_->UpdatePoints(paths.Data());
}

void BallSwarm::Render(double time, DynamicTexturePair& frameChain) {
    DrawFilaments(*this, shader_.get(), filament_.get(), time, frameChain, false);
}

std::vector<ShaderUse> BallSwarm::GetShaderUses() const { return {{kFilamentShader, {"VS"}, {"PS"}}}; }

}  // namespace Effects
