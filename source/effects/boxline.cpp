#include "effects/boxline.h"

#include <cmath>

#include "system/globals.h"
#include "system/random.h"

namespace Effects {
namespace {

struct LineSetup {
    vec3 anchor;
    vec3 direction;
    float startTime;
};
const LineSetup kLines[5] = {
    {{-4, 0, 0}, {0, 0, -1}, 16}, {{2, 1, 0}, {1, 0, 0}, 20},   {{4, -1, 0}, {0, -1, 0}, 25},
    {{1, 1, 0}, {0, 0, -1}, 26},  {{-3, 2, 0}, {0, 0, -1}, 30},
};
constexpr int kBoxesPerLine = 4;
constexpr double kTravelTime = 10.0;  // units of tau a train takes
constexpr double kTravelCells = 80.0;  // cells either side of the base

}  // namespace

BoxLine::BoxLine() : BillboardEffect(1000, "VS_NormalFacing", true) {}

bool BoxLine::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!BillboardEffect::Init(progressStart, progressEnd, progress)) return false;
    uint32_t state = gRandomSeed;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const LineSetup& setup = kLines[i];
        // Each component of the jitter is -1, 0 or 1.
        const float jx = std::floor(2.0f * RandomDraw(state) - 0.5f);
        const float jy = std::floor(2.0f * RandomDraw(state) - 0.5f);
        const float jz = std::floor(2.0f * RandomDraw(state) - 0.5f);
        lines_[i] = {{setup.anchor.x + jx, setup.anchor.y + jy, setup.anchor.z + jz}, setup.direction, kBoxesPerLine,
                     setup.startTime};
    }
    return true;
}

void BoxLine::BuildRecords(double time, std::vector<BillboardRecord>& records) {
    records.clear();
    const double tau = time * 0.5;
    const float size = spacing_.GetFloat(*this, tau);
    for (const Line& line : lines_) {
        const double delta = tau - line.startTime;
        if (!(delta >= 0.0 && delta <= kTravelTime)) continue;
        // From -80 to 80 cells over the travel time.
        const int k = int(std::floor((delta / kTravelTime - 0.5) * 2.0 * kTravelCells));
        for (int e = 0; e < line.boxes; ++e) {
            const float step = float(e + k);
            const vec3 centre{(line.base.x + 0.5f - line.direction.x * step) * size,
                              (line.base.y + 0.5f - line.direction.y * step) * size,
                              (line.base.z + 0.5f - line.direction.z * step) * size};
            AppendBox(records, centre, size, 2.0f);
        }
    }
}

}  // namespace Effects
