#pragma once
// What BallSwarm and Strands share around their steps: the size checks, the step parameters
// at a simulation time, the path array and the loop that steps and records the flock.
#include <cstdint>
#include <functional>
#include <vector>

#include <glm/vec3.hpp>

#include "effects/flocksteps.h"
#include "effects/progresscallback.h"
#include "graphics/filamentrenderobject.h"

namespace Effects {

class Effect;

// Whether `count` agents (truncated toward zero) recorded over numFrames frames of
// updatesPerFrame steps make a flock that can be simulated in reasonable time and whose
// paths fit in memory. Logs why not, naming `type`.
bool FlockSizeValid(const char* type, double count, int numFrames, int updatesPerFrame);

// The ranges, weights and speed at a simulation time (the class-specific rules keep their defaults).
FlockRules ReadFlockRules(const Effect& effect, double time);

// Simulation time of step u of recorded frame f: f + u / updatesPerFrame in single precision.
double SimulationTime(int frame, int step, int updatesPerFrame);

// count paths of numFrames points each, path-major, zero-filled.
class FlockPaths {
public:
    FlockPaths(size_t count, int numFrames);

    void Store(size_t path, int frame, const glm::vec3& position) {
        points_[path * size_t(numFrames_) + size_t(frame)] = {position.x, position.y, position.z, 0.0f};
    }
    const FilamentRenderObject::Point* Data() const { return points_.data(); }

private:
    int numFrames_;
    std::vector<FilamentRenderObject::Point> points_;
};

// Steps and records a flock: for each recorded frame, reports progress (from progressStart
// at frame 0 towards progressEnd), runs updatesPerFrame steps, then records. `step` gets the
// simulation time and returns false when the flock cannot go on (non-finite rules or
// agents); the agents then stay where they are for the remaining frames.
void RecordFlock(int numFrames, int updatesPerFrame, float progressStart, float progressEnd,
                 const ProgressCallback& progress, const std::function<bool(double time)>& step,
                 const std::function<void(int frame)>& record);

// Logs and returns false when a rule is not finite at this simulation time.
bool RulesFinite(const FlockRules& rules, double time);
// Logs and returns false when a step left the agents outside the finite range.
bool StepFinite(bool finite, double time);

}  // namespace Effects
