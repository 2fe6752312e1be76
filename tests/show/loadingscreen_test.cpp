// The loading screen: drawn once per new progress value and at most once per refresh,
// placed like the show, and harmless without its shader.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "graphics/datafolder.h"
#include "graphics/devicestate.h"
#include "main/loadingscreen.h"
#include "show/showfolder.h"
#include "support/gputest.h"
#include "system/globals.h"

namespace {

constexpr int kWidth = 64, kHeight = 36;

class LoadingScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
        ASSERT_TRUE(data_.Ready());
        for (const char* name : {"loading.fx", "loading1.png", "loading2.png"})
            data_.Write(name, showtest::SourceFile(std::string("data/") + name));
    }
    DataFolder data_;
};

TEST_F(LoadingScreenTest, DrawsOncePerNewProgressValue) {
    LoadingScreen screen(0.0);
    for (float progress : {0.0f, 0.0f, 0.25f, 0.25f, 1.0f}) screen.Draw(progress);
    EXPECT_EQ(screen.FramesDrawn(), 3);
    EXPECT_GT(gContext->GetStats().draws, 0u);
}

// Progress steps arriving faster than the display refreshes are skipped, but the start and
// the end are always shown, and the next frame after a pause shows the latest value.
TEST_F(LoadingScreenTest, RedrawsAtMostOncePerIntervalAndAlwaysAtTheEnds) {
    LoadingScreen screen(3600.0);
    for (int i = 0; i <= 1000; ++i) screen.Draw(float(i) / 1000.0f);
    EXPECT_EQ(screen.FramesDrawn(), 2);
    EXPECT_EQ(screen.LastProgress(), 1.0f);

    LoadingScreen paced(0.5);
    paced.Draw(0.0f);
    paced.Draw(0.1f);
    EXPECT_EQ(paced.FramesDrawn(), 1) << "too soon after the first frame";
    std::this_thread::sleep_for(std::chrono::milliseconds(550));
    paced.Draw(0.2f);
    EXPECT_EQ(paced.FramesDrawn(), 2);
    EXPECT_EQ(paced.LastProgress(), 0.2f);
}

TEST_F(LoadingScreenTest, KeepsTheRenderAspectCentredInAWiderWindow) {
    // A window twice as wide as the render aspect: bars of a quarter width on each side.
    gOutputWidth = 2 * kHeight * kWidth / kHeight;
    gOutputHeight = kHeight;
    ASSERT_TRUE(gSwapChain->ResizeBuffers(gOutputWidth, gOutputHeight));
    gBackBufferView = gDevice->CreateRenderTargetView(gSwapChain->GetBuffer(), nullptr);
    const float marker[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    gContext->ClearRenderTargetView(gBackBufferView, marker);

    LoadingScreen screen;
    screen.Draw(0.5f);
    ASSERT_EQ(screen.FramesDrawn(), 1);
    std::vector<uint8_t> pixels = ReadBackBuffer();
    ASSERT_EQ(pixels.size(), size_t(gOutputWidth) * gOutputHeight * 4);
    // Outside the viewport the previous content stays; inside, the picture replaced it.
    for (int x : {0, gOutputWidth / 4 - 2, 3 * gOutputWidth / 4 + 1, gOutputWidth - 1})
        EXPECT_TRUE(PixelNear(pixels, gOutputWidth, x, kHeight / 2, {0, 255, 0, 255})) << x;
    for (int x : {gOutputWidth / 4 + 2, gOutputWidth / 2, 3 * gOutputWidth / 4 - 3})
        EXPECT_FALSE(PixelNear(pixels, gOutputWidth, x, kHeight / 2, {0, 255, 0, 255}, 8)) << x;
}

TEST_F(LoadingScreenTest, WithoutItsShaderNothingIsDrawn) {
    data_.Remove("loading.fx");
    const float marker[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    gContext->ClearRenderTargetView(gBackBufferView, marker);
    LoadingScreen screen;
    screen.Draw(0.0f);
    screen.Draw(1.0f);
    EXPECT_EQ(screen.FramesDrawn(), 0);
    std::vector<uint8_t> pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kWidth, kWidth / 2, kHeight / 2, {0, 0, 255, 255}));
}

}  // namespace
