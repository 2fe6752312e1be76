#include "effects/boxes.h"

#include <cmath>

#include "system/globals.h"
#include "system/log.h"
#include "system/random.h"

namespace Effects {

Boxes::Boxes() : BillboardEffect(1000, "VS_NormalFacing", true) {}

bool Boxes::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!BillboardEffect::Init(progressStart, progressEnd, progress)) return false;
    int range = GetParamInt("range", 10);
    if (range < 0) {
        LOG("Boxes range %d is negative; using 0", range);
        range = 0;
    }
    const float r = float(range);
    const float offset = gridOffset_.GetFloat(*this, 0.0);

    positions_.clear();
    uint32_t state = gRandomSeed;
    for (int i = 0; i < kPositionCount; ++i) {
        const float u1 = RandomDraw(state), u2 = RandomDraw(state), u3 = RandomDraw(state);
        positions_.push_back({std::floor(u1 * (2.0f * r) - r) + offset, std::floor(u2 * (2.0f * r) - r) + offset,
                              std::floor(u3 * (2.0f * r) - r) + offset});
    }
    return true;
}

void Boxes::BuildRecords(double time, std::vector<BillboardRecord>& records) {
    records.clear();
    if (positions_.empty()) return;
    const float size = spacing_.GetFloat(*this, 0.0);
    const double tau = time * 0.5;
    const double step = std::floor(tau);
    // Every whole unit of tau (2 seconds) moves to the next position; negative times wrap too.
    double index = std::fmod(step, double(positions_.size()));
    if (index < 0.0) index += double(positions_.size());
    if (!(index >= 0.0 && index < double(positions_.size()))) index = 0.0;
    const float fade = float((1.0 - (tau - step)) * 2.0);

    const vec3& p = positions_[size_t(index)];
    AppendBox(records, vec3{p.x * size, p.y * size, p.z * size}, size, fade);
}

}  // namespace Effects
