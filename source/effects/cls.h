#pragma once
// Clears the frame chain's current target to a colour; the chain is not advanced.
#include "effects/effect.h"

namespace Effects {

class CLS : public Effect {
public:
    // Param `colour` (vec4, default opaque black) at the local time.
    void Render(double time, DynamicTexturePair& frameChain) override;
};

}  // namespace Effects
