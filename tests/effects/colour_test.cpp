// HSL, Lut3D and RGBSplit on the headless device.
#include <gtest/gtest.h>

#include "effectscene.h"
#include "support/logcapture.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

std::string Param(const std::string& key, const std::string& type, const std::string& value) {
    return "<param key=\"" + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}

Rgba Gradient(int x, int y) { return Rgba{x * 4, y * 5, 255 - (x + y) * 2, 255}; }

// Every pixel of the image against f(Gradient(x, y)).
template <typename F>
bool MatchesGradient(const std::vector<uint8_t>& pixels, F f, int tolerance) {
    for (int y = 0; y < kSceneHeight; ++y)
        for (int x = 0; x < kSceneWidth; ++x)
            if (!RgbNear(pixels, x, y, f(Gradient(x, y)), tolerance)) return false;
    return true;
}

Rgba Same(Rgba c) { return c; }
Rgba Inverted(Rgba c) { return Rgba{255 - c.r, 255 - c.g, 255 - c.b, 255}; }

std::string LutXml(const std::string& file, const std::string& strength) {
    return "<effect type=\"Lut3D\">" + Param("lutName", "string", file) + Param("strength", "double", strength) +
           "</effect>";
}

std::string SplitXml(const std::string& mix, const std::string& angle, float r, float g, float b) {
    return "<effect type=\"RGBSplit\">" + Param("mix", "double", mix) + Param("angle", "double", angle) +
           "<param key=\"offsets\" type=\"vec3\" x=\"" + std::to_string(r) + "\" y=\"" + std::to_string(g) +
           "\" z=\"" + std::to_string(b) + "\"/></effect>";
}

}  // namespace

TEST(HslTest, WithoutParamsIsTheIdentityAndParamsRecolour) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load("<effect type=\"HSL\"/>"
                           "<effect type=\"HSL\">" + Param("saturation", "double", "0") + "</effect>"
                           "<effect type=\"HSL\">" + Param("hue", "double", "0.5") + "</effect>"));
    auto& list = scene.List();

    scene.FillCurrent(Gradient);
    list[0]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 1);
    EXPECT_TRUE(MatchesGradient(scene.Current(), Same, 2));

    scene.FillCurrent(Gradient);
    list[1]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    const std::vector<uint8_t> grey = scene.Current();
    for (int x = 0; x < kSceneWidth; x += 9) {
        const Rgba p = PixelAt(grey, kSceneWidth, x, 17);
        EXPECT_NEAR(p.r, p.g, 1);
        EXPECT_NEAR(p.g, p.b, 1);
    }

    scene.FillCurrent(Rgba{255, 0, 0, 255});
    list[2]->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{0, 255, 255, 255}, 1));
}

TEST(Lut3DTest, IdentityAndInvertingTablesAndStrength) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(LutXml("identity.cube", "1") + LutXml("invert.cube", "1") + LutXml("invert.cube", "0.5")));
    auto& list = scene.List();

    scene.FillCurrent(Gradient);
    list[0]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 1);
    EXPECT_TRUE(MatchesGradient(scene.Current(), Same, 2));

    scene.FillCurrent(Gradient);
    list[1]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(MatchesGradient(scene.Current(), Inverted, 2));

    // Half way between a colour and its inverse is mid grey.
    scene.FillCurrent(Gradient);
    list[2]->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{128, 128, 128, 255}, 2));
}

TEST(Lut3DTest, EditedTableChangesTheGradingOnTheNextFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("grade.cube", EffectScene::ReadTestData("effects/identity.cube"));
    ASSERT_TRUE(scene.Load(LutXml("grade.cube", "1")));

    scene.FillCurrent(Gradient);
    scene.Frame();
    EXPECT_TRUE(MatchesGradient(scene.Current(), Same, 2));

    scene.Write("grade.cube", EffectScene::ReadTestData("effects/invert.cube"), 10);
    scene.FillCurrent(Gradient);
    scene.Frame();
    EXPECT_TRUE(MatchesGradient(scene.Current(), Inverted, 2));
}

TEST(Lut3DTest, FailuresShowLightSeaGreenOrAreReported) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    scene.Write("lut3D.fx", EffectScene::ReadTestData("effects/broken.fx"));
    ASSERT_TRUE(scene.Load("<effect type=\"Lut3D\"/>"));
    EXPECT_EQ(log.Count("Couldn't find param 'lutName'"), 1);

    scene.FillCurrent(kWhite);
    scene.Frame();
    scene.Frame();
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), Bytes(kLightSeaGreen), 0));
    EXPECT_EQ(log.Count("Couldn't find param 'strength'"), 0);  // not read when nothing is drawn
}

TEST(RgbSplitTest, AngleNinetyMovesChannelsVerticallyOnly) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(SplitXml("1", "90", 3, 0, -3) + SplitXml("1", "0", 3, 0, -3)));
    auto& list = scene.List();
    const auto dot = [](int x, int y) { return x == 32 && y == 24 ? kWhite : kBlack; };

    scene.FillCurrent(dot);
    list[0]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 1);
    std::vector<uint8_t> pixels = scene.Current();
    // Each channel reads `offset` pixels further along the direction, so it moves back by it.
    EXPECT_TRUE(RgbNear(pixels, 32, 21, Rgba{255, 0, 0, 255}, 1));
    EXPECT_TRUE(RgbNear(pixels, 32, 24, Rgba{0, 255, 0, 255}, 1));
    EXPECT_TRUE(RgbNear(pixels, 32, 27, Rgba{0, 0, 255, 255}, 1));
    for (int dx : {-1, 1}) {
        EXPECT_TRUE(RgbNear(pixels, 32 + dx, 21, kBlack, 1));
        EXPECT_TRUE(RgbNear(pixels, 32 + dx, 27, kBlack, 1));
    }

    scene.FillCurrent(dot);
    list[1]->Update(0.0, scene.Chain());
    pixels = scene.Current();
    EXPECT_TRUE(RgbNear(pixels, 29, 24, Rgba{255, 0, 0, 255}, 1));
    EXPECT_TRUE(RgbNear(pixels, 35, 24, Rgba{0, 0, 255, 255}, 1));
}

TEST(RgbSplitTest, MixZeroOrMissingDrawsHotPink) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load(SplitXml("0", "0", 1, 1, 1) + "<effect type=\"RGBSplit\"/>"));
    for (auto& effect : scene.List()) {
        scene.FillCurrent(kBlack);
        effect->Update(0.0, scene.Chain());
        effect->Update(1.0, scene.Chain());
        EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
        EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0));
    }
    EXPECT_EQ(log.Count("Couldn't find param 'mix'"), 1);
}
