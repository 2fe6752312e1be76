#pragma once
// The outline of one box at a time, jumping every 2 seconds of local time to the next of
// fifty grid cells drawn from the seeded random sequence at initialisation, and fading out
// within each step. The faces are quads oriented by their normals.
//   shader "billboards.fx" (VS_NormalFacing, PS)
#include <vector>

#include "effects/billboardeffect.h"
#include "effects/finiteparam.h"

namespace Effects {

class Boxes : public BillboardEffect {
public:
    static constexpr int kPositionCount = 50;

    Boxes();

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;

    const std::vector<vec3>& GetPositions() const { return positions_; }

protected:
    void BuildRecords(double time, std::vector<BillboardRecord>& records) override;

private:
    std::vector<vec3> positions_;
    // Both are read at parameter time 0 only.
    FiniteParam gridOffset_{"gridOffset", 0.0};
    FiniteParam spacing_{"spacing", 1.0};
};

}  // namespace Effects
