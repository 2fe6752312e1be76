#include "effects/strands.h"

#include <cmath>

#include "effects/filamentdraw.h"
#include "effects/flockrecording.h"
#include "graphics/filamentrenderobject.h"
#include "graphics/shader.h"
#include "system/globals.h"
#include "system/log.h"

namespace Effects {
namespace {

constexpr int kRings = 100;
constexpr int kSides = 3;

// Closed at both ends, thickest just behind the head.
float StrandProfile(float u) { return (u == 0.0f || u == 1.0f) ? 0.0f : 1.0f - u; }

}  // namespace

Strands::Strands() = default;

Strands::~Strands() = default;

bool Strands::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    const float middle = progressStart + (progressEnd - progressStart) * 0.5f;
    if (!Effect::Init(progressStart, middle, progress)) return false;
    shader_ = LoadFilamentShader();
    Simulate(middle, progressEnd, progress);
    return true;
}

void Strands::Simulate(float progressStart, float progressEnd, const ProgressCallback& progress) {
    const int numFrames = GetParamInt("numFrames", 30);
    const int updatesPerFrame = GetParamInt("updatesPerFrame", 10);
    const int count = GetParamInt("count", 100);
    const float minTunnelSize = static_cast<float>(GetParamDouble("minTunnelSize", 0.0, 250.0));
    const float maxTunnelSize = static_cast<float>(GetParamDouble("maxTunnelSize", 0.0, 250.0));
    const float depthRange = static_cast<float>(GetParamDouble("depthRange", 0.0, 1000.0));
    const std::string image = GetParamString("image", "");

    filament_.reset();
    if (!FlockSizeValid("Strands", count, numFrames, updatesPerFrame)) return;
    if (!std::isfinite(minTunnelSize) || !std::isfinite(maxTunnelSize) || !std::isfinite(depthRange)) {
        LOG("Failed to create the 'Strands' flock: minTunnelSize %f, maxTunnelSize %f and depthRange %f must be finite",
            double(minTunnelSize), double(maxTunnelSize), double(depthRange));
        return;
    }
    filament_ = std::make_unique<FilamentRenderObject>(image.empty() ? "1x1white.png" : image, count, numFrames,
                                                       kRings, kSides, StrandProfile);

    uint32_t state = gRandomSeed;
    std::vector<StrandAgent> current = CreateStrands(state, count, minTunnelSize, maxTunnelSize, depthRange), next;
    FlockPaths paths(current.size(), numFrames);

    auto step = [&](double time) {
        FlockRules rules = ReadFlockRules(*this, time);
        rules.minTunnelSize = static_cast<float>(GetParamDouble("minTunnelSize", time, 250.0));
        rules.maxTunnelSize = static_cast<float>(GetParamDouble("maxTunnelSize", time, 250.0));
        if (!RulesFinite(rules, time)) return false;
        SortByDepth(current);
        StrandsStep(current, next, rules);
        if (!StepFinite(AgentsFinite(next), time)) return false;
        current.swap(next);
        return true;
    };
    // Each path follows one agent, whatever its place in depth order.
    auto record = [&](int frame) {
        for (const StrandAgent& agent : current) paths.Store(size_t(agent.index), frame, agent.position);
    };
    RecordFlock(numFrames, updatesPerFrame, progressStart, progressEnd, progress, step, record);
    filament_->UpdatePoints(paths.Data());
}

void Strands::Render(double time, DynamicTexturePair& frameChain) {
    DrawFilaments(*this, shader_.get(), filament_.get(), time, frameChain, true);
}

std::vector<ShaderUse> Strands::GetShaderUses() const { return {{kFilamentShader, {"VS"}, {"PS"}}}; }

}  // namespace Effects
