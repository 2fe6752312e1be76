// Blur and Bloom on the headless device: the filter's profile, the mask, switching off,
// the private chain, and kernels that cannot be built.
#include <gtest/gtest.h>

#include "effects/bloom.h"
#include "effects/blurkernel.h"
#include "effectscene.h"
#include "support/logcapture.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

std::string Param(const std::string& key, const std::string& type, const std::string& value) {
    return "<param key=\"" + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}

std::string BlurXml(int kernelSize, const std::string& strength, const std::string& extra = "") {
    std::string xml = "<effect type=\"Blur\">" + Param("kernelSize", "int", std::to_string(kernelSize));
    if (!strength.empty()) xml += Param("strength", "double", strength);
    return xml + extra + "</effect>";
}

int Red(const std::vector<uint8_t>& pixels, int x, int y) { return PixelAt(pixels, kSceneWidth, x, y).r; }

}  // namespace

TEST(BlurTest, SpreadsALineByTheKernelsWeights) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(BlurXml(11, "1")));
    scene.FillCurrent([](int x, int) { return x == 32 ? kWhite : kBlack; });
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);  // advanced twice
    EXPECT_EQ(gContext->GetStats().resolves, 0u);

    // A column stays a column under the vertical pass; across it the profile is the weights.
    const std::vector<float> weights = Effects::BuildBlurWeights(11);
    const std::vector<uint8_t> pixels = scene.Current();
    for (int y : {0, 24, 47}) {
        for (int d = -7; d <= 7; ++d) {
            const double expected = std::abs(d) <= 5 ? 255.0 * weights[5 + d] : 0.0;
            EXPECT_NEAR(Red(pixels, 32 + d, y), expected, 2.0) << "offset " << d << " row " << y;
        }
    }
}

TEST(BlurTest, SpreadsADotSymmetrically) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(BlurXml(11, "1")));
    scene.FillCurrent([](int x, int y) { return x == 32 && y == 24 ? kWhite : kBlack; });
    scene.Frame();

    const std::vector<float> w = Effects::BuildBlurWeights(11);
    const std::vector<uint8_t> pixels = scene.Current();
    EXPECT_NEAR(Red(pixels, 32, 24), 255.0 * w[5] * w[5], 2.0);
    for (int d = 1; d <= 4; ++d) {
        const int right = Red(pixels, 32 + d, 24);
        EXPECT_NEAR(Red(pixels, 32 - d, 24), right, 1) << d;
        EXPECT_NEAR(Red(pixels, 32, 24 + d), right, 1) << d;
        EXPECT_NEAR(Red(pixels, 32, 24 - d), right, 1) << d;
        EXPECT_NEAR(right, 255.0 * w[5 + d] * w[5], 2.0) << d;
        EXPECT_LE(right, Red(pixels, 32 + d - 1, 24));  // falls off outwards
    }
    EXPECT_EQ(Red(pixels, 32 + 7, 24), 0);
    EXPECT_EQ(Red(pixels, 32 + 3, 24 + 3), Red(pixels, 32 - 3, 24 - 3));
}

TEST(BlurTest, MaskKeepsItsBlackPartSharp) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // halfmask.png is black on its left half and white on its right half.
    ASSERT_TRUE(scene.Load(BlurXml(11, "1", Param("mask", "string", "halfmask.png"))));
    scene.FillCurrent([](int x, int) { return x == 6 || x == 56 ? kWhite : kBlack; });
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);

    const std::vector<uint8_t> pixels = scene.Current();
    EXPECT_EQ(Red(pixels, 6, 20), 255);
    EXPECT_EQ(Red(pixels, 5, 20), 0);
    EXPECT_EQ(Red(pixels, 7, 20), 0);
    const std::vector<float> w = Effects::BuildBlurWeights(11);
    EXPECT_NEAR(Red(pixels, 56, 20), 255.0 * w[5], 2.0);
    EXPECT_NEAR(Red(pixels, 58, 20), 255.0 * w[7], 2.0);
}

TEST(BlurTest, StrengthZeroOrMissingLeavesTheFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load(BlurXml(51, "0") + BlurXml(51, "-1") + BlurXml(51, "")));
    scene.FillCurrent([](int x, int) { return x == 32 ? kWhite : kBlack; });
    for (int frame = 0; frame < 3; ++frame) scene.Frame(frame);
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_EQ(Red(scene.Current(), 32, 10), 255);
    EXPECT_EQ(Red(scene.Current(), 33, 10), 0);
    // The missing strength is reported once, not every frame.
    EXPECT_EQ(log.Count("Couldn't find param 'strength'"), 1);
}

TEST(BlurTest, KernelThatCannotBeBuiltFailsInitAndDrawsHotPink) {
    for (int size : {5, 9, 4, 0}) {
        EffectScene scene;
        ASSERT_TRUE(scene.Ready());
        LogCapture log;
        EXPECT_FALSE(scene.Load(BlurXml(size, "1")));
        const std::string message = "Failed to grow blur kernel of size " + std::to_string(size);
        ASSERT_EQ(log.Count(message), 1) << size;
        for (const auto& entry : log.Entries())
            if (entry.message == message) EXPECT_EQ(entry.function, "Effects::Blur::Init");

        scene.FillCurrent(kBlack);
        scene.Frame();
        EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
        EXPECT_TRUE(AllNear(scene.Current(), kBlack, 0));
        EXPECT_TRUE(PixelNear(ReadBackBuffer(), gOutputWidth, 3, 3, Bytes(kHotPink), 0));
    }
}

TEST(BlurTest, ShaderThatCannotBeUsedDrawsHotPink) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("blur.fx", EffectScene::ReadTestData("effects/broken.fx"));
    ASSERT_TRUE(scene.Load(BlurXml(11, "1")));
    const float clear[4] = {0, 0, 0, 1};
    gContext->ClearRenderTargetView(gBackBufferView, clear);
    scene.FillCurrent(kBlack);
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), kBlack, 0));
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), gOutputWidth, 3, 3, Bytes(kHotPink), 0));
}

TEST(BloomTest, GlowsAroundBrightPartsThroughItsPrivateChain) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load("<effect type=\"Bloom\">" + Param("kernelSize", "int", "11") + "</effect>"));
    auto* bloom = scene.Get<Effects::Bloom>(0);
    ASSERT_NE(bloom, nullptr);
    const auto block = [](int x, int y) { return x >= 30 && x <= 33 && y >= 22 && y <= 25 ? kWhite : kBlack; };

    for (int frame = 1; frame <= 2; ++frame) {
        scene.FillCurrent(block);
        scene.Frame(frame);
        // The frame chain moves on once; the bright pass always lands in the same private texture.
        EXPECT_EQ(scene.Chain().GetCurrentIndex(), frame % 2);
        EXPECT_EQ(bloom->GetPrivateChain().GetCurrentIndex(), 0);

        const std::vector<uint8_t> pixels = scene.Current();
        EXPECT_EQ(Red(pixels, 31, 23), 255);
        const int glow = Red(pixels, 35, 24);
        EXPECT_GT(glow, 10);
        EXPECT_NEAR(Red(pixels, 28, 24), glow, 1);
        // (35, 24) transposed about the block: the same glow but for the 8-bit rounding of the
        // intermediate passes, which the combine pass amplifies (strength x 10).
        EXPECT_NEAR(Red(pixels, 32, 27), glow, 8);
        EXPECT_EQ(Red(pixels, 45, 24), 0);  // beyond the kernel's reach
        EXPECT_EQ(Red(pixels, 2, 2), 0);
    }
    EXPECT_EQ(gContext->GetStats().resolves, 0u);
}

TEST(BloomTest, StrengthZeroLeavesFrameAndChains) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load("<effect type=\"Bloom\">" + Param("strength", "double", "0") + "</effect>"));
    auto* bloom = scene.Get<Effects::Bloom>(0);
    ASSERT_NE(bloom, nullptr);
    scene.FillCurrent([](int x, int) { return x < 32 ? kWhite : kBlack; });
    const uint64_t draws = gContext->GetStats().draws;
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_EQ(bloom->GetPrivateChain().GetCurrentIndex(), 0);
    EXPECT_EQ(gContext->GetStats().draws, draws);
    EXPECT_EQ(Red(scene.Current(), 31, 5), 255);
    EXPECT_EQ(Red(scene.Current(), 32, 5), 0);
}

TEST(BloomTest, KernelThatCannotBeBuiltFailsInitAndDrawsHotPink) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    EXPECT_FALSE(scene.Load("<effect type=\"Bloom\">" + Param("kernelSize", "int", "9") + "</effect>"));
    ASSERT_EQ(log.Count("Failed to grow blur kernel of size 9"), 1);
    for (const auto& entry : log.Entries())
        if (entry.message == "Failed to grow blur kernel of size 9") EXPECT_EQ(entry.function, "Effects::Bloom::Init");
    scene.FillCurrent(kWhite);
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), kWhite, 0));
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), gOutputWidth, 3, 3, Bytes(kHotPink), 0));
}
