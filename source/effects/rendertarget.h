#pragma once
// Renders its children into a private frame chain and composites the result onto the
// parent's current target through "final.fx". It runs whenever its time window covers the
// parent's time: `active` and the toggle key are not consulted.
#include <memory>

#include "effects/effect.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"

namespace Effects {

class RenderTarget : public Effect {
public:
    RenderTarget();
    ~RenderTarget() override;

    void Update(double time, DynamicTexturePair& frameChain) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // The chain the children draw into.
    DynamicTexturePair& GetPrivateChain() { return chain_; }

private:
    Shader shader_;
    DynamicTexturePair chain_;
    std::unique_ptr<DynamicTexture> resolve_;  // only with anti-aliasing
};

}  // namespace Effects
