#pragma once
// The separable Gaussian shared by Bloom and Blur: normalised weights for an odd width, and
// the paired taps the shaders read with bilinear filtering.
#include <vector>

namespace Effects {

// One structured-buffer record: the shaders sample at +offset and -offset texels along the
// blur axis and weight both samples by `weight`.
struct KernelTap {
    float weight = 0.0f;
    float offset = 0.0f;
    float unused0 = 0.0f;
    float unused1 = 0.0f;
};
static_assert(sizeof(KernelTap) == 16, "a kernel tap is one float4 in the shaders");

// Kernels wider than this are refused: the sigma search and the per-pixel cost grow with the
// width, and no screen needs more.
constexpr int kMaxBlurKernelSize = 4095;

// Normalised Gaussian weights of an odd, positive width (empty otherwise). The width sigma is
// the first value on a 1.0 / 0.1 / 0.01 grid at which the edge weight exceeds 0.02 / size;
// it is written to *sigma when given.
std::vector<float> BuildBlurWeights(int size, double* sigma = nullptr);

// The taps for a width: the centre weight halved, then the weights outward, paired so that
// one bilinear sample between texels 2j and 2j+1 picks up both. Empty for widths that are
// even, not positive, too large or not 3 modulo 4 (those cannot be paired); the weights of
// a non-empty kernel sum to 0.5.
std::vector<KernelTap> BuildBlurKernel(int size);

}  // namespace Effects
