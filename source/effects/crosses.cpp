#include "effects/crosses.h"

#include <algorithm>
#include <cmath>

#include "system/globals.h"
#include "system/log.h"
#include "system/random.h"

namespace Effects {

static_assert(Crosses::kCapacity == uint32_t(2 * Crosses::kMaxRange) * (2 * Crosses::kMaxRange) *
                                        (2 * Crosses::kMaxRange),
              "the buffer holds the largest grid");

Crosses::Crosses() : BillboardEffect(kCapacity, "VS_CameraFacing", false) {}

int Crosses::ReadRange() {
    const int range = GetParamInt("range", 10);
    const int clamped = std::clamp(range, 0, kMaxRange);
    if (clamped != range && range != reportedRange_)
        LOG("Crosses range %d is outside 0 to %d; using %d", range, kMaxRange, clamped);
    reportedRange_ = clamped != range ? range : 0;
    return clamped;
}

void Crosses::BuildRecords(double time, std::vector<BillboardRecord>& records) {
    const int r = ReadRange();
    const float size = size_.GetFloat(*this, time);
    const float spacing = spacing_.GetFloat(*this, time);
    const float sphere = sphere_.GetFloat(*this, time);
    const float falloff = falloff_.GetFloat(*this, time);
    const float inner = sphere - falloff;

    const size_t side = size_t(2 * r);
    records.resize(side * side * side);
    uint32_t state = gRandomSeed;
    size_t written = 0;
    for (int i = -r; i < r; ++i) {
        const float x = float(i) * spacing;
        for (int k = -r; k < r; ++k) {
            const float y = float(k) * spacing;
            for (int j = -r; j < r; ++j) {
                // One step per cell, kept or not, so a cell's brightness never depends on the sphere.
                const float u = RandomDraw(state);
                const float z = float(j) * spacing;
                const float l = std::sqrt(x * x + y * y + z * z);
                if (!(l < sphere)) continue;
                float brightness = u * 0.5f + 0.75f;
                if (l > inner) brightness *= 1.0f - (l - inner) / falloff;
                records[written++] = {{x, y, z}, size, {0.0f, 0.0f, 0.0f}, brightness};
            }
        }
    }
    // The tail stays zero: records of size 0 draw nothing.
    std::fill(records.begin() + std::ptrdiff_t(written), records.end(), BillboardRecord{});
}

}  // namespace Effects
