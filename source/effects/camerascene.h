#pragma once
// Sets the shared camera from its parameters each frame, binds its matrices and clears the
// depth buffer, so that everything nested below draws through this camera. Draws nothing.
//   b3 (both stages): world (identity), view and projection (each transposed), eye xyz, 0
#include "effects/effect.h"
#include "effects/requiredparam.h"
#include "graphics/constantbuffer.h"

namespace Effects {

class CameraScene : public Effect {
public:
    CameraScene();

    void Render(double time, DynamicTexturePair& frameChain) override;

private:
    ConstantBuffer constants_;
    RequiredParam distance_{"distance"};
    RequiredParam fov_{"fov"};
};

}  // namespace Effects
