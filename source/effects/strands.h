#pragma once
// A flock on the walls of a tunnel around the z axis, simulated once at initialisation with a
// sweep along z for neighbours; every agent's recorded path is drawn as a tube, added to
// the frame without depth testing, through "filament.fx".
//   b2: frame, diameter, length, points per path, colourSpeed; t7 (vertex stage): the paths
#include <memory>

#include "effects/effect.h"

class FilamentRenderObject;
class Shader;

namespace Effects {

class Strands : public Effect {
public:
    Strands();
    ~Strands() override;

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
