// The Gaussian blur kernel: the sigma search and the paired bilinear taps.
#include <gtest/gtest.h>

#include <numeric>

#include "effects/blurkernel.h"

using Effects::BuildBlurKernel;
using Effects::BuildBlurWeights;
using Effects::KernelTap;

namespace {

double WeightSum(const std::vector<KernelTap>& taps) {
    double sum = 0.0;
    for (const KernelTap& tap : taps) sum += tap.weight;
    return sum;
}

}  // namespace

TEST(BlurKernelTest, DefaultSizeFindsSigmaAndThirteenTaps) {
    double sigma = 0.0;
    const std::vector<float> weights = BuildBlurWeights(51, &sigma);
    ASSERT_EQ(weights.size(), 51u);
    EXPECT_NEAR(sigma, 5.69, 1e-9);
    EXPECT_NEAR(std::accumulate(weights.begin(), weights.end(), 0.0), 1.0, 1e-5);
    EXPECT_GT(weights[0], 0.02f / 51.0f);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(weights[i], weights[50 - i]) << i;  // symmetric

    const std::vector<KernelTap> taps = BuildBlurKernel(51);
    ASSERT_EQ(taps.size(), 13u);
    EXPECT_NEAR(taps[0].weight, 0.074097f, 1e-6);
    EXPECT_NEAR(taps[0].offset, 0.664948f, 1e-6);
    EXPECT_NEAR(taps[1].weight, 0.094462f, 1e-6);
    EXPECT_NEAR(taps[1].offset, 2.490349f, 1e-6);
    EXPECT_NEAR(WeightSum(taps), 0.5, 1e-6);
    for (size_t j = 0; j < taps.size(); ++j) {
        // Each tap lies between texels 2j and 2j+1 and pads with zeros.
        EXPECT_GE(taps[j].offset, 2.0f * j);
        EXPECT_LE(taps[j].offset, 2.0f * j + 1.0f);
        EXPECT_EQ(taps[j].unused0, 0.0f);
        EXPECT_EQ(taps[j].unused1, 0.0f);
    }
}

TEST(BlurKernelTest, SmallSizes) {
    const std::vector<KernelTap> three = BuildBlurKernel(3);
    ASSERT_EQ(three.size(), 1u);
    EXPECT_NEAR(three[0].weight, 0.5f, 1e-6);
    EXPECT_NEAR(three[0].offset, 0.017417f, 1e-6);

    const std::vector<KernelTap> seven = BuildBlurKernel(7);
    ASSERT_EQ(seven.size(), 2u);
    EXPECT_NEAR(WeightSum(seven), 0.5, 1e-6);

    // The taps rebuild the weights: tap j carries texels 2j and 2j+1 of the halved line.
    const std::vector<float> w = BuildBlurWeights(7);
    EXPECT_NEAR(seven[0].weight, w[3] * 0.5f + w[2], 1e-7);
    EXPECT_NEAR(seven[0].offset, w[2] / (w[3] * 0.5f + w[2]), 1e-6);
    EXPECT_NEAR(seven[1].weight, w[1] + w[0], 1e-7);
    EXPECT_NEAR(seven[1].offset, 2.0f + w[0] / (w[1] + w[0]), 1e-6);
}

TEST(BlurKernelTest, SizesThatCannotBePairedGiveNoKernel) {
    // 5 and 9 give weights, but an odd count of them from the centre out.
    EXPECT_EQ(BuildBlurWeights(5).size(), 5u);
    EXPECT_EQ(BuildBlurWeights(9).size(), 9u);
    for (int size : {5, 9, 1, 4, 0, -3, -51}) EXPECT_TRUE(BuildBlurKernel(size).empty()) << size;
    for (int size : {4, 0, -3}) EXPECT_TRUE(BuildBlurWeights(size).empty()) << size;
}

TEST(BlurKernelTest, WidestKernelStillBuildsAndWiderIsRefused) {
    const std::vector<KernelTap> widest = BuildBlurKernel(Effects::kMaxBlurKernelSize);
    EXPECT_EQ(widest.size(), size_t(Effects::kMaxBlurKernelSize / 2 + 1) / 2);
    EXPECT_NEAR(WeightSum(widest), 0.5, 1e-4);
    EXPECT_TRUE(BuildBlurKernel(Effects::kMaxBlurKernelSize + 4).empty());
}
