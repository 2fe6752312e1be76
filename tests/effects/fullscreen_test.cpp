// CLS, FullScreenShader, FullScreenShaderEffect and RenderTarget on the headless device.
#include <gtest/gtest.h>

#include "effects/rendertarget.h"
#include "effectscene.h"
#include "support/logcapture.h"
#include "system/globals.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};

std::string Param(const std::string& key, const std::string& type, const std::string& value) {
    return "<param key=\"" + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}

std::string Colour(float r, float g, float b, float a = 1.0f) {
    return "<param key=\"colour\" type=\"vec4\" x=\"" + std::to_string(r) + "\" y=\"" + std::to_string(g) +
           "\" z=\"" + std::to_string(b) + "\" w=\"" + std::to_string(a) + "\"/>";
}

// An overlay drawing (r, g, b) with alpha a through overlay.fx's constants.
std::string Overlay(const std::string& blendMode, float r, float g, float b, float a = 1.0f) {
    std::string xml = "<effect type=\"FullScreenShader\">" + Param("shader", "string", "overlay.fx") +
                      Param("float1", "double", std::to_string(r)) + Param("float2", "double", std::to_string(g)) +
                      Param("float3", "double", std::to_string(b)) + Param("float4", "double", std::to_string(a));
    if (!blendMode.empty()) xml += Param("blendMode", "string", blendMode);
    return xml + "</effect>";
}

}  // namespace

TEST(ClsTest, ClearsToItsColourOrOpaqueBlackWithoutOne) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // The second clear has a keyframed colour, taken at its local time (start 2: local
    // time 1 at script time 3).
    ASSERT_TRUE(scene.Load("<effect type=\"CLS\"/>"
                           "<effect type=\"CLS\" start=\"2\"><param key=\"colour\" type=\"vec4\">"
                           "<key time=\"0\" x=\"0\" y=\"0\" z=\"0\" w=\"1\" ease=\"Linear\"/>"
                           "<key time=\"2\" x=\"1\" y=\"0.5\" z=\"0\" w=\"1\"/></param></effect>"));
    scene.FillCurrent(Rgba{10, 200, 30, 40});
    scene.List()[0]->Update(3.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), kBlack, 0));
    EXPECT_EQ(PixelAt(scene.Current(), kSceneWidth, 7, 7).a, 255);  // a clear does write alpha

    scene.List()[1]->Update(3.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{128, 64, 0, 255}, 1));
}

TEST(FullScreenShaderTest, BlendsOverTheFrameByExactModeName) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(Overlay("", 1, 0, 0, 0.5f) + Overlay("additive", 0, 0.25f, 0) + Overlay("opaque", 0, 0, 1) +
                           Overlay("multiply", 0.5f, 1, 1)));
    auto& list = scene.List();

    // Default "alpha": half red over grey. The chain is never advanced.
    scene.FillCurrent(Rgba{100, 100, 100, 255});
    list[0]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{178, 50, 50, 128}, 2));

    scene.FillCurrent(Rgba{100, 100, 100, 255});
    list[1]->Update(0.0, scene.Chain());
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{100, 164, 100, 255}, 2));

    scene.FillCurrent(Rgba{100, 100, 100, 255});
    list[2]->Update(0.0, scene.Chain());
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{0, 0, 255, 255}, 1));

    scene.FillCurrent(Rgba{100, 100, 100, 255});
    list[3]->Update(0.0, scene.Chain());
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{50, 100, 100, 255}, 2));
}

TEST(FullScreenShaderTest, UnknownModeNameKeepsTheBlendStateThenRestoresOpaque) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // "Additive" differs from "additive" only in case: no match.
    ASSERT_TRUE(scene.Load(Overlay("Additive", 0.25f, 0, 0) + Overlay("screen", 0, 0.25f, 0)));
    auto& list = scene.List();

    scene.FillCurrent(Rgba{100, 100, 100, 255});
    gContext->OMSetBlendState(gBlendAdditive, nullptr, 0xffffffffu);
    list[0]->Update(0.0, scene.Chain());
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{164, 100, 100, 255}, 2));

    // The first overlay set gBlendOpaque after drawing, so the next unknown mode draws opaque.
    scene.FillCurrent(Rgba{100, 100, 100, 255});
    list[1]->Update(0.0, scene.Chain());
    EXPECT_TRUE(RgbNear(scene.Current(), 5, 5, Rgba{0, 64, 0, 255}, 2));
}

TEST(FullScreenShaderTest, SendsTimeParamsAndSeedAndBindsItsImages) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    gRandomSeed = 2147483648u;  // 0.5 once divided by 2^32
    ASSERT_TRUE(scene.Load(
        "<effect type=\"FullScreenShader\" start=\"1\" speed=\"2\">" + Param("shader", "string", "overlay.fx") +
        Param("pixelShader", "string", "PS_Constants") + Param("blendMode", "string", "opaque") +
        Param("float6", "double", "2.5") + "</effect>"
        "<effect type=\"FullScreenShader\">" + Param("shader", "string", "overlay.fx") +
        Param("pixelShader", "string", "PS_Images") + Param("blendMode", "string", "opaque") +
        Param("image1", "string", "1x1white.png") + "</effect>"));
    auto& list = scene.List();

    list[0]->Update(2.5, scene.Chain());  // local time (2.5 - 1) * 2 = 3
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{77, 128, 64, 255}, 1));

    // image1 at slot 0 is white; image2 is not named, so slot 1 reads as zero.
    list[1]->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{255, 255, 0, 255}, 0));
}

TEST(FullScreenShaderEffectTest, PostProcessesIntoTheNextTexture) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    const std::string invert = "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") + "</effect>";
    ASSERT_TRUE(scene.Load(invert + invert));
    auto& list = scene.List();

    scene.FillCurrent([](int x, int y) { return Rgba{x * 4, y * 5, 30, 255}; });
    list[0]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 1);
    std::vector<uint8_t> once = scene.Current();
    EXPECT_TRUE(RgbNear(once, 0, 0, Rgba{255, 255, 225, 255}, 1));
    EXPECT_TRUE(RgbNear(once, 63, 47, Rgba{255 - 252, 255 - 235, 225, 255}, 1));

    // Two in a row: the chain's index is back where it started, the image inverted twice.
    list[1]->Update(0.0, scene.Chain());
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_TRUE(RgbNear(scene.Current(), 63, 47, Rgba{252, 235, 30, 255}, 1));
    EXPECT_EQ(gContext->GetStats().resolves, 0u);  // no anti-aliasing: read directly
}

TEST(FullScreenShaderEffectTest, SendsItsConstantsAtSlotZeroAndImageAtSlotOne) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ASSERT_TRUE(scene.Load(
        "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") +
        Param("pixelShader", "string", "PS_Constants") + Param("float1", "double", "0.25") +
        Param("float5", "double", "0.75") + "</effect>"
        "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") +
        Param("pixelShader", "string", "PS_Image") + Param("image1", "string", "1x1white.png") + "</effect>"));
    auto& list = scene.List();
    list[0]->Update(5.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{128, 64, 191, 255}, 1));
    // The frame (red 128 from the pass before) at slot 0, the white image at slot 1.
    list[1]->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{128, 255, 0, 255}, 1));
}

TEST(FullScreenFailureTest, ShadersThatCannotBeUsedDrawFailureColours) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    // A broken final.fx in the scratch folder hides the bundled one from the RenderTarget.
    scene.Write("final.fx", EffectScene::ReadTestData("effects/broken.fx"));
    ASSERT_TRUE(scene.Load(
        "<effect type=\"FullScreenShader\">" + Param("shader", "string", "broken.fx") + "</effect>"
        "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "missing.fx") + "</effect>"
        "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") +
        Param("pixelShader", "string", "PS_NoSuchEntry") + "</effect>"
        "<effect type=\"RenderTarget\"/>"));
    EXPECT_GT(log.CountContaining("compile error"), 0);
    EXPECT_GT(log.CountContaining("couldn't be opened"), 0);
    auto& list = scene.List();

    for (int i = 0; i < 3; ++i) {
        scene.FillCurrent(Rgba{1, 2, 3, 255});
        list[i]->Update(0.0, scene.Chain());
        EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0) << "effect " << i;
        EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0)) << "effect " << i;
    }

    // The RenderTarget clears the back buffer to wheat and leaves the parent's frame alone.
    scene.FillCurrent(Rgba{1, 2, 3, 255});
    list[3]->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{1, 2, 3, 255}, 0));
    std::vector<uint8_t> back = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(back, gOutputWidth, 0, 0, Bytes(kWheat), 0));
}

TEST(RenderTargetTest, RendersItsChildrenPrivatelyEvenWhenInactive) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // active="0" would stop any other effect; the RenderTarget runs all the same. Its
    // post-processing child advances the private chain, not the parent's.
    ASSERT_TRUE(scene.Load("<effect type=\"RenderTarget\" active=\"0\" start=\"1\" length=\"2\">"
                           "<effect type=\"CLS\">" + Colour(0.2f, 0.4f, 0.6f) + "</effect>"
                           "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") +
                           "</effect></effect>"));
    auto* target = scene.Get<Effects::RenderTarget>(0);
    ASSERT_NE(target, nullptr);

    scene.FillCurrent(Rgba{9, 9, 9, 255});
    scene.Frame(0.5);  // outside its window: nothing runs
    EXPECT_EQ(target->GetPrivateChain().GetCurrentIndex(), 0);
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{9, 9, 9, 255}, 0));

    scene.Frame(2.0);
    EXPECT_EQ(scene.Chain().GetCurrentIndex(), 0);
    EXPECT_EQ(target->GetPrivateChain().GetCurrentIndex(), 1);
    // Only the composite of the inverted clear colour reaches the parent's frame.
    EXPECT_TRUE(AllNear(scene.Current(), Rgba{204, 153, 102, 255}, 1));
    EXPECT_EQ(gContext->GetStats().resolves, 0u);
}
