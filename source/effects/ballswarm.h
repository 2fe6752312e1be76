#pragma once
// A flock kept near the surface of a sphere, simulated once at initialisation; every agent's
// recorded path is drawn as a tube (opaque, depth tested) through "filament.fx".
//   b2: frame, diameter, length, points per path, colourSpeed; t7 (vertex stage): the paths
#include <memory>

#include "effects/effect.h"

class FilamentRenderObject;
class Shader;

namespace Effects {

class BallSwarm : public Effect {
public:
    BallSwarm();
    ~BallSwarm() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // The recorded paths, or null when no flock could be made.
    const FilamentRenderObject* GetFilament() const { return filament_.get(); }

private:
    // Creates, steps and records the flock into a new filament object (or leaves none).
    void Simulate(float progressStart, float progressEnd, const ProgressCallback& progress);

    std::unique_ptr<Shader> shader_;
    std::unique_ptr<FilamentRenderObject> filament_;
};

}  // namespace Effects
