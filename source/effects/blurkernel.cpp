#include "effects/blurkernel.h"

#include <cmath>

namespace Effects {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Weights of a Gaussian of width sigma over `size` texels, normalised to sum to 1. The
// per-texel values are kept in single precision, as is the sum they are divided by.
void GaussianWeights(int size, double sigma, std::vector<float>& weights) {
    const int half = size / 2;
    const double a = (half / sigma) * (half / sigma);
    const double d = sigma * kTwoPi * sigma;
    double sum = 0.0;
    for (int i = 0; i < size; ++i) {
        const double x = (i - half) / sigma;
        weights[i] = static_cast<float>(std::sqrt(std::exp(-0.5 * (x * x + a)) / d));
        sum += weights[i];
    }
    const float total = static_cast<float>(sum);
    for (float& w : weights) w = static_cast<float>(static_cast<double>(w) / total);
}

}  // namespace

std::vector<float> BuildBlurWeights(int size, double* sigmaOut) {
    if (size <= 0 || size % 2 == 0 || size > kMaxBlurKernelSize) return {};
    const float threshold = 0.02f / static_cast<float>(size);
    std::vector<float> weights(size);
    double sigma = 1.0;
    double step = 1.0;
    for (;;) {
        GaussianWeights(size, sigma, weights);
        // A NaN edge weight compares false and so keeps growing sigma.
        if (weights[0] > threshold) {
            if (step <= 0.02) break;
            sigma = sigma - step + step * 0.1;
            step *= 0.1;
        } else {
            sigma += step;
        }
    }
    if (sigmaOut) *sigmaOut = sigma;
    return weights;
}

std::vector<KernelTap> BuildBlurKernel(int size) {
    const std::vector<float> weights = BuildBlurWeights(size);
    if (weights.empty()) return {};
    const int half = size / 2;
    // Centre weight halved (the two sides share it), then outwards.
    std::vector<float> line;
    line.reserve(half + 1);
    line.push_back(weights[half] * 0.5f);
    for (int i = half - 1; i >= 0; --i) line.push_back(weights[i]);
    if (line.size() % 2 != 0) return {};

    std::vector<KernelTap> taps(line.size() / 2);
    for (size_t j = 0; j < taps.size(); ++j) {
        const float a = line[2 * j];
        const float b = line[2 * j + 1];
        const float weight = a + b;
        taps[j].weight = weight;
        taps[j].offset = static_cast<float>(2 * j) + b / weight;
    }
    return taps;
}

}  // namespace Effects
