#pragma once
// Short trains of boxes that run along five fixed lines at fixed times: each line's train of
// four boxes crosses 160 cells in 10 units of tau = half the local time. The lines' bases
// are jittered by up to one cell from the seeded random sequence at initialisation.
//   shader "billboards.fx" (VS_NormalFacing, PS)
#include <array>
#include <cstdint>

#include "effects/billboardeffect.h"
#include "effects/finiteparam.h"

namespace Effects {

class BoxLine : public BillboardEffect {
public:
    struct Line {
        vec3 base;
        vec3 direction;
        int32_t boxes = 0;
        float startTime = 0.0f;  // in units of tau
    };
    static_assert(sizeof(Line) == 32, "a line record is 32 bytes");

    BoxLine();

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;

    const std::array<Line, 5>& GetLines() const { return lines_; }

protected:
    void BuildRecords(double time, std::vector<BillboardRecord>& records) override;

private:
    std::array<Line, 5> lines_{};
    FiniteParam spacing_{"spacing", 1.0};
};

}  // namespace Effects
