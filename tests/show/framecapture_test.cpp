// Frame capture for recordings: every frame reaches the video, in order, through the
// staging ring (with and without multisampling), padded rows are packed unsheared, and
// colours survive the GPU's YUV conversion.
#include <gtest/gtest.h>

#include "graphics/devicestate.h"
#include "main/framecapture.h"
#include "support/gputest.h"
#include "system/videowriter.h"
#include "video/colourchart.h"
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

// The chart drawn into an odd-sized back buffer, recorded through the GPU conversion into
// each container: right way up, within 3/255 (BT.709 for H.264, BT.601 for WMV2), and the
// padding column and row repeat the picture's edge.
TEST(FrameCapture, ChartSurvivesTheGpuConversion) {
    constexpr int width = 255, height = 127;
    ASSERT_TRUE(InitTestDevice(width, height));
    const std::vector<uint8_t> chart = colourchart::Draw(width, height);
    gpu::Texture2DDesc desc = gSwapChain->GetBuffer()->GetDesc();
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    const gpu::SubresourceData initial{chart.data(), width * 4, 0};
    gpu::Texture2DPtr picture = gDevice->CreateTexture2D(desc, &initial);
    ASSERT_TRUE(picture);

    for (const char* name : {"chart.mp4", "chart.wmv"}) {
        mediaprobe::ScratchDir dir("framecapture_chart");
        const std::string file = dir.File(name);
        {
            VideoWriter writer(width, height, 30, file);
            FrameCapture capture(&writer, 3, ColourConversion::Gpu);
            for (unsigned n = 0; n < 4; ++n) {
                gContext->CopyResource(gSwapChain->GetBuffer(), picture);
                gSwapChain->Present(0);
                capture.Capture(n);
            }
            capture.Drain();
            EXPECT_TRUE(capture.ConvertsOnGpu()) << name;
            EXPECT_EQ(capture.FramesWritten(), 4u) << name;
        }
        const int codedWidth = width + 1, codedHeight = height + 1;
        const size_t frameBytes = size_t(codedWidth) * codedHeight * 3 / 2;
        const std::string yuv = mediaprobe::DecodeYuv420(file);
        ASSERT_EQ(yuv.size(), 4 * frameBytes) << name;
        // The last frame: encoders settle after the first.
        const std::string last = yuv.substr(3 * frameBytes);
        SCOPED_TRACE(name);
        colourchart::Compare(last, codedWidth, codedHeight, std::string(name).find("mp4") != std::string::npos, 3);
        // Padding repeats the edge: the last luma column matches the one before it, the last row too.
        const auto* luma = reinterpret_cast<const uint8_t*>(last.data());
        const int middle = codedHeight / 2 * codedWidth, lastRow = (codedHeight - 1) * codedWidth;
        EXPECT_NEAR(luma[middle + codedWidth - 1], luma[middle + codedWidth - 2], 2);
        EXPECT_NEAR(luma[lastRow + 16], luma[lastRow - codedWidth + 16], 2);
    }
}

}  // namespace
