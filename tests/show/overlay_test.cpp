// The F1 overlay: drawn over the show with a shader's error, taken back after presenting,
// and never part of a recording.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "graphics/devicestate.h"
#include "graphics/shadererrors.h"
#include "main/overlay.h"
#include "platform/pngencoder.h"
#include "show/showfolder.h"
#include "support/gputest.h"
#include "system/globals.h"
#include "video/mediaprobe.h"

namespace {

constexpr int kWidth = 480, kHeight = 270;
constexpr float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};

int NotRed(const std::vector<uint8_t>& pixels, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) count += PixelNear(pixels, kWidth, x, y, {255, 0, 0, 255}, 3) ? 0 : 1;
    return count;
}

TEST(Overlay, DrawsStatsAndShaderErrorsThenGivesTheCleanFrameBack) {
    ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
    gOutputWidth = kWidth;
    gOutputHeight = kHeight;
    ReportShaderError("broken.fx", "PS", "broken.fx(3): error: undeclared identifier 'colour'\nsecond\nthird\nfourth\nfifth");

    Overlay overlay;
    for (int frame = 0; frame < 3; ++frame) {
        gContext->ClearRenderTargetView(gBackBufferView, kRed);
        overlay.BeginFrame();
        OverlayShowState show;
        show.musicSeconds = 12.5;
        show.trackSeconds = 100.0;
        show.scriptTime = 30.0;
        overlay.Draw(show);

        const std::vector<uint8_t> drawn = ReadBackBuffer();
        if (const char* dump = std::getenv("LUMIVANE_OVERLAY_PNG"); dump && frame == 2) {
            std::vector<uint8_t> png;
            EncodePng(drawn.data(), kWidth, kHeight, kWidth * 4, &png);
            std::ofstream(dump, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
        }
        // The panel sits at the top left (from the second frame: the first one measures it)
        // and grows down with the error's lines; the far corner keeps the show.
        if (frame > 0) {
            EXPECT_GT(NotRed(drawn, 8, 8, 200, 60), 2000) << frame;
            EXPECT_GT(NotRed(drawn, 8, 150, 200, 200), 200) << "the error's lines, frame " << frame;
        }
        EXPECT_EQ(NotRed(drawn, kWidth - 40, kHeight - 20, kWidth, kHeight), 0) << frame;

        gSwapChain->Present(0);
        overlay.Restore();
        EXPECT_EQ(NotRed(ReadBackBuffer(), 0, 0, kWidth, kHeight), 0) << "taken back, frame " << frame;
    }
    ClearShaderError("broken.fx", "PS");
    EXPECT_TRUE(RecentShaderErrors().empty());
}

TEST(Overlay, NeverAppearsInARecording) {
    std::string frames[2];
    for (int withOverlay = 0; withOverlay < 2; ++withOverlay) {
        childtest::ScratchDir dir;
        showtest::MakeShow(dir, showtest::SourceFile("tests/data/show/keyframed.xml"));
        std::vector<std::string> arguments = {"-headless", "-videofile", "out.mp4", "-frames", "3"};
        if (withOverlay) arguments.push_back("-overlay");
        childtest::ChildResult result = childtest::RunPlayer(dir, arguments);
        ASSERT_FALSE(result.timedOut);
        ASSERT_EQ(result.status, 0) << result.err;
        frames[withOverlay] = mediaprobe::DecodeRgb((dir.Path() / "out.mp4").string());
        if (withOverlay) {
            // A live run with the overlay on draws it and ends normally.
            result = childtest::RunPlayer(dir, {"-headless", "-overlay", "-frames", "5"});
            EXPECT_EQ(result.status, 0) << result.err;
        }
    }
    ASSERT_FALSE(frames[0].empty());
    ASSERT_EQ(frames[0].size(), frames[1].size());
    int differing = 0;
    for (size_t i = 0; i < frames[0].size(); ++i)
        differing += std::abs(int(uint8_t(frames[0][i])) - int(uint8_t(frames[1][i]))) > 3 ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

}  // namespace
