#include "effects/flockrecording.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "effects/effect.h"
#include "system/log.h"

namespace Effects {
namespace {

constexpr double kPointBytes = sizeof(FilamentRenderObject::Point);
// More steps than this would keep the show loading for hours, whatever the agent count.
constexpr double kMaxSteps = double(1 << 24);

// The most bytes of recorded paths: the filament's point buffer has a 32-bit size, and the
// paths live three times over while they are uploaded (array, shadow, GPU copy), so they
// may take at most a quarter of the machine's memory.
double MaxPathBytes() {
    double limit = double(UINT32_MAX);
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) limit = std::min(limit, double(pages) * double(pageSize) / 4.0);
    return limit;
}

}  // namespace

bool FlockSizeValid(const char* type, double count, int numFrames, int updatesPerFrame) {
    if (!(count >= 1.0)) {
        LOG("Failed to create the '%s' flock: count %g gives no agents", type, count);
        return false;
    }
    if (numFrames < 1 || updatesPerFrame < 1) {
        LOG("Failed to create the '%s' flock: numFrames %d and updatesPerFrame %d must be at least 1", type,
            numFrames, updatesPerFrame);
        return false;
    }
    if (double(numFrames) * double(updatesPerFrame) > kMaxSteps) {
        LOG("Failed to create the '%s' flock: %d frames of %d steps are too many to simulate", type, numFrames,
            updatesPerFrame);
        return false;
    }
    const double bytes = std::trunc(count) * double(numFrames) * kPointBytes;
    if (bytes > MaxPathBytes()) {
        LOG("Failed to create the '%s' flock: %g paths of %d frames (%.0f bytes) do not fit in memory", type,
            std::trunc(count), numFrames, bytes);
        return false;
    }
    return true;
}

FlockRules ReadFlockRules(const Effect& effect, double time) {
    FlockRules rules;
    auto read = [&](const char* name, float& value) {
        value = static_cast<float>(effect.GetParamDouble(name, time, value));
    };
    read("alignmentRange", rules.alignmentRange);
    read("alignmentWeight", rules.alignmentWeight);
    read("cohesionRange", rules.cohesionRange);
    read("cohesionWeight", rules.cohesionWeight);
    read("separationRange", rules.separationRange);
    read("separationWeight", rules.separationWeight);
    read("speed", rules.speed);
    return rules;
}

double SimulationTime(int frame, int step, int updatesPerFrame) {
    return double(float(frame) + float(step) / float(updatesPerFrame));
}

FlockPaths::FlockPaths(size_t count, int numFrames)
    : numFrames_(numFrames), points_(count * size_t(std::max(numFrames, 0))) {}

void RecordFlock(int numFrames, int updatesPerFrame, float progressStart, float progressEnd,
                 const ProgressCallback& progress, const std::function<bool(double time)>& step,
                 const std::function<void(int frame)>& record) {
    bool moving = true;
    for (int f = 0; f < numFrames; ++f) {
        const float done = float(f) / float(numFrames);
        progress((1.0f - done) * progressStart + done * progressEnd);
        for (int u = 0; u < updatesPerFrame && moving; ++u) moving = step(SimulationTime(f, u, updatesPerFrame));
        record(f);
    }
}

bool RulesFinite(const FlockRules& rules, double time) {
    const std::pair<const char*, float> values[] = {
        {"alignmentRange", rules.alignmentRange},     {"alignmentWeight", rules.alignmentWeight},
        {"cohesionRange", rules.cohesionRange},       {"cohesionWeight", rules.cohesionWeight},
        {"separationRange", rules.separationRange},   {"separationWeight", rules.separationWeight},
        {"speed", rules.speed},                       {"sphereSize", rules.sphereSize},
        {"sphereWeight", rules.sphereWeight},         {"minTunnelSize", rules.minTunnelSize},
        {"maxTunnelSize", rules.maxTunnelSize},
    };
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value)) {
            LOG("Failed to simulate the flock: '%s' is %f at simulation time %g; the agents stop there", name,
                double(value), time);
            return false;
        }
    }
    return true;
}

bool StepFinite(bool finite, double time) {
    if (!finite) LOG("Failed to simulate the flock: the agents left the finite range at simulation time %g", time);
    return finite;
}

}  // namespace Effects
