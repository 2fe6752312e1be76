#pragma once
// Bloom: extracts the bright part of the frame, blurs it horizontally and vertically in a
// private chain of full-size textures, and combines it with the frame into the next texture
// of the frame chain ("bloom.fx": PS_Bright, PS_Horizontal, PS_Vertical, PS_Combine).
//   b0 (both stages): 1/width, 1/height, taps (int), strength x 10, middleGrey, whiteCutOff,
//                     cutOff x 0.12 + 0.0001, 0
//   t5 (pixel): the blur kernel; t0: the image filtered (combine: the frame); t1 (combine): the bloom
#include <memory>

#include "effects/blurkernel.h"
#include "effects/effect.h"
#include "graphics/constantbuffer.h"
#include "graphics/dynamictexture.h"
#include "graphics/structurebuffer.h"

class Shader;

namespace Effects {

class Bloom : public Effect {
public:
    Bloom();
    ~Bloom() override;

    // Fails (after logging) when `kernelSize` gives no kernel.
    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // The private chain the bright pass and the blur passes render into.
    DynamicTexturePair& GetPrivateChain() { return chain_; }

private:
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<StructureBuffer<KernelTap>> kernel_;
    ConstantBuffer constants_;
    DynamicTexturePair chain_;
    std::unique_ptr<DynamicTexture> resolveA_;  // the frame, only with anti-aliasing
    std::unique_ptr<DynamicTexture> resolveB_;  // the bloom passes, only with anti-aliasing
};

}  // namespace Effects
