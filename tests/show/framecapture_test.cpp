// Frame capture for recordings: every frame reaches the video, in order, through the
// staging ring (with and without multisampling), and padded rows are packed unsheared.
#include <gtest/gtest.h>

#include "graphics/devicestate.h"
#include "main/framecapture.h"
#include "support/gputest.h"
#include "system/videowriter.h"
#include "video/mediaprobe.h"

namespace {

constexpr int kWidth = 64, kHeight = 32;

TEST(PackRows, PaddedRowsArePackedWithoutShear) {
    const int width = 3, height = 4;
    const uint32_t pitch = width * 4 + 20;
    std::vector<uint8_t> padded(pitch * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 4; ++i) padded[y * pitch + i] = static_cast<uint8_t>(y * 16 + i);
    std::vector<uint8_t> scratch;
    const uint8_t* packed = PackRows(padded.data(), pitch, width, height, &scratch);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 4; ++i) ASSERT_EQ(packed[y * width * 4 + i], y * 16 + i) << y << "," << i;

    // Already packed rows are used in place.
    EXPECT_EQ(PackRows(padded.data(), width * 4, width, height, &scratch), padded.data());
}

// Clears the back buffer to a grey level per frame, captures `frames` frames and returns
// the decoded video's grey levels (the red channel of the centre pixel).
std::vector<int> RecordGreyRamp(int frames, unsigned depth) {
    mediaprobe::ScratchDir dir("framecapture");
    const std::string file = dir.File("ramp.mp4");
    std::vector<int> levels;
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        FrameCapture capture(&writer, depth);
        for (int n = 0; n < frames; ++n) {
            const float grey = static_cast<float>(n * 20 + 10) / 255.0f;
            const float colour[4] = {grey, grey, grey, 1.0f};
            gContext->ClearRenderTargetView(gBackBufferView, colour);
            gSwapChain->Present(0);
            capture.Capture(static_cast<unsigned>(n));
        }
        capture.Drain();
        EXPECT_EQ(capture.FramesWritten(), static_cast<unsigned>(frames));
        EXPECT_EQ(capture.FramesSkipped(), 0u);
    }
    const std::string rgb = mediaprobe::DecodeRgb(file);
    const size_t frameBytes = size_t(kWidth) * kHeight * 3;
    for (size_t at = 0; at + frameBytes <= rgb.size(); at += frameBytes)
        levels.push_back(static_cast<unsigned char>(rgb[at + (size_t(kHeight / 2) * kWidth + kWidth / 2) * 3]));
    return levels;
}

void ExpectRamp(const std::vector<int>& levels, int frames) {
    ASSERT_EQ(static_cast<int>(levels.size()), frames);
    for (int n = 0; n < frames; ++n) EXPECT_NEAR(levels[n], n * 20 + 10, 6) << "frame " << n;
}

TEST(FrameCapture, EveryFrameArrivesInOrderThroughTheRing) {
    ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
    ExpectRamp(RecordGreyRamp(11, 3), 11);
}

TEST(FrameCapture, FewerFramesThanTheRingAreStillWritten) {
    ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
    ExpectRamp(RecordGreyRamp(2, 4), 2);
}

TEST(FrameCapture, MultisampledBackBufferIsResolved) {
    ASSERT_TRUE(InitTestDevice(kWidth, kHeight, true));
    ASSERT_TRUE(gMsaaEnabled);
    ExpectRamp(RecordGreyRamp(5, 3), 5);
}

TEST(FrameCapture, BackBufferOfAnotherSizeIsSkipped) {
    ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
    mediaprobe::ScratchDir dir("framecapture_size");
    VideoWriter writer(kWidth * 2, kHeight, 30, dir.File("wide.mp4"));
    FrameCapture capture(&writer);
    for (unsigned n = 0; n < 3; ++n) capture.Capture(n);
    capture.Drain();
    EXPECT_EQ(capture.FramesWritten(), 0u);
    EXPECT_EQ(capture.FramesSkipped(), 3u);
}

}  // namespace
