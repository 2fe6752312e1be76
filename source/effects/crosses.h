#pragma once
// Camera-facing sprites on a grid of (2 range)^3 cells, kept inside a sphere and fading out
// over a shell at its edge; every cell's brightness comes from the seeded random sequence, so
// the pattern is the same every frame and every run. The records are rebuilt every frame
// from the parameters at the local time.
//   shader "billboards.fx" (VS_CameraFacing, PS)
#include "effects/billboardeffect.h"
#include "effects/finiteparam.h"

namespace Effects {

class Crosses : public BillboardEffect {
public:
    // The instance buffer holds (2 x 30)^3 records: larger ranges are clamped.
    static constexpr int kMaxRange = 30;
    static constexpr uint32_t kCapacity = 216000;

    Crosses();

protected:
    void BuildRecords(double time, std::vector<BillboardRecord>& records) override;

private:
    // `range` limited to 0..kMaxRange, with one log line when a value is out of bounds.
    int ReadRange();

    FiniteParam size_{"size", 1.0};
    FiniteParam spacing_{"spacing", 1.0};
    FiniteParam sphere_{"sphere", 1.0};
    FiniteParam falloff_{"falloff", 1.0};
    int reportedRange_ = 0;  // the out-of-bounds range last logged, 0 when in bounds
};

}  // namespace Effects
