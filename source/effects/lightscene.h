#pragma once
// Fills the shared light list each frame (an ambient record, then the numbered lights
// L0..L6 of type "Directional" or "Point"), makes its buffers the current light scene's and
// uploads the list. Draws nothing; everything nested below sees these lights.
#include <array>
#include <memory>
#include <string>

#include "effects/effect.h"

class LightBuffers;

namespace Effects {

class LightScene : public Effect {
public:
    LightScene();
    ~LightScene() override;

    void Render(double time, DynamicTexturePair& frameChain) override;

    const std::shared_ptr<LightBuffers>& GetBuffers() const { return buffers_; }

private:
    // Parameter names of one numbered light: "L" + index + suffix.
    struct LightNames {
        std::string type, direction, colour, position, maxDistance, fallOff;
    };
    static constexpr int kNumberedLights = 7;

    std::array<LightNames, kNumberedLights> names_;
    // Owned here; the process keeps only a weak reference, so a destroyed scene is never written.
    std::shared_ptr<LightBuffers> buffers_;
};

}  // namespace Effects
