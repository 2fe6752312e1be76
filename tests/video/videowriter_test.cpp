// Recording to "output.wmv"-style files: timing, colours and frame order as a player sees
// them, finishing with frames still queued, and a writer whose file cannot be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mediaprobe.h"
#include "support/logcapture.h"
#include "system/videowriter.h"

namespace {

using mediaprobe::ScratchDir;

// Frame n: R rises with n, B falls, G fixed; any swap of R and B or of frames shows.
std::vector<uint8_t> FlatFrame(int width, int height, int n) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = static_cast<uint8_t>(40 + 2 * n);
        rgba[i + 1] = 128;
        rgba[i + 2] = static_cast<uint8_t>(220 - 2 * n);
        rgba[i + 3] = 0;  // the back buffer's alpha is meaningless and must not matter
    }
    return rgba;
}

int FrameCount(const std::string& file) {
    const auto counts = mediaprobe::JsonValues(
        mediaprobe::Probe(file, "-show_entries stream=nb_read_frames"), "nb_read_frames");
    return counts.size() == 1 ? std::atoi(counts[0].c_str()) : -1;
}

TEST(VideoWriter, WmvHasFrameCountRateDurationAndSize) {
    ScratchDir dir("wmv");
    const std::string file = dir.File("output.wmv");
    {
        LogCapture log;
        VideoWriter writer(64, 48, 30, file);
        ASSERT_TRUE(writer.IsReady());
        ASSERT_FALSE(log.Entries().empty());
        EXPECT_EQ(log.Entries()[0].message, "Initialising VideoWriter");
        EXPECT_EQ(log.Entries()[0].function, "VideoWriter::VideoWriter");
        writer.SetExpectedFrames(90);
        for (int n = 0; n < 90; ++n) writer.writeFrame(FlatFrame(64, 48, n).data());
    }
    const std::string json = mediaprobe::Probe(
        file, "-show_entries stream=nb_read_frames,r_frame_rate,width,height,codec_name -show_entries format=duration");
    EXPECT_EQ(mediaprobe::JsonValues(json, "codec_name"), std::vector<std::string>{"wmv2"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "nb_read_frames"), std::vector<std::string>{"90"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "r_frame_rate"), std::vector<std::string>{"30/1"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "width"), std::vector<std::string>{"64"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "height"), std::vector<std::string>{"48"}) << json;
    const auto duration = mediaprobe::JsonValues(json, "duration");
    ASSERT_EQ(duration.size(), 1u) << json;
    EXPECT_NEAR(std::atof(duration[0].c_str()), 3.0, 0.034) << json;

    // Decoded back, every frame keeps its colour, its place in the sequence and R/B order.
    const std::string rgb = mediaprobe::DecodeRgb(file);
    const size_t frameBytes = 64 * 48 * 3;
    ASSERT_EQ(rgb.size(), 90 * frameBytes);
    for (int n = 0; n < 90; ++n) {
        for (int y : {4, 24, 44}) {
            for (int x : {4, 32, 60}) {
                const auto* p = reinterpret_cast<const uint8_t*>(rgb.data() + n * frameBytes + (y * 64 + x) * 3);
                EXPECT_NEAR(p[0], 40 + 2 * n, 8) << "frame " << n << " at " << x << "," << y;
                EXPECT_NEAR(p[1], 128, 8) << "frame " << n;
                EXPECT_NEAR(p[2], 220 - 2 * n, 8) << "frame " << n;
            }
        }
    }
}

TEST(VideoWriter, DestroyingWithFramesQueuedLeavesCompleteFile) {
    ScratchDir dir("queued");
    const std::string file = dir.File("queued.wmv");
    std::vector<std::vector<uint8_t>> frames;
    for (int n = 0; n < 4; ++n) frames.push_back(FlatFrame(320, 240, n * 20));
    {
        VideoWriter writer(320, 240, 30, file);
        // Faster than the encoder can go: the writer returns with the queue full.
        for (int n = 0; n < 40; ++n) writer.writeFrame(frames[n % 4].data());
    }
    EXPECT_EQ(FrameCount(file), 40);
    const std::string rgb = mediaprobe::DecodeRgb(file);
    ASSERT_EQ(rgb.size(), 40u * 320 * 240 * 3);
    const auto* last = reinterpret_cast<const uint8_t*>(rgb.data() + 39 * 320 * 240 * 3);
    EXPECT_NEAR(last[0], 40 + 2 * 60, 8);
}

TEST(VideoWriter, FinishIsIdempotentAndLaterFramesAreRefused) {
    ScratchDir dir("finish");
    const std::string file = dir.File("early.wmv");
    LogCapture log;
    VideoWriter writer(64, 48, 30, file);
    for (int n = 0; n < 10; ++n) writer.writeFrame(FlatFrame(64, 48, n).data());
    writer.Finish();
    EXPECT_FALSE(writer.IsReady());
    EXPECT_EQ(FrameCount(file), 10);  // complete before the writer is destroyed
    writer.Finish();
    writer.writeFrame(FlatFrame(64, 48, 0).data());
    EXPECT_EQ(log.Count("VideoWriter unable to write frame!"), 1);
    EXPECT_EQ(FrameCount(file), 10);
}

TEST(VideoWriter, UnopenableFileLogsAndRefusesEveryFrame) {
    ScratchDir dir("unopenable");
    LogCapture log;
    {
        VideoWriter writer(64, 48, 30, dir.File("no/such/folder/output.wmv"));
        EXPECT_FALSE(writer.IsReady());
        EXPECT_EQ(log.Count("Failed to initialise VideoWriter!"), 1);
        const auto frame = FlatFrame(64, 48, 0);
        for (int n = 0; n < 5; ++n) writer.writeFrame(frame.data());
        EXPECT_EQ(log.Count("VideoWriter unable to write frame!"), 5);
        const std::vector<float> sound(2000, 0.0f);
        EXPECT_FALSE(writer.SetAudioTrack(sound.data(), 1000, 48000));
        writer.Finish();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
}

TEST(VideoWriter, RejectsUnknownContainersAndEmptySizes) {
    ScratchDir dir("reject");
    LogCapture log;
    VideoWriter unknown(64, 48, 30, dir.File("output.notavideo"));
    VideoWriter empty(0, 48, 30, dir.File("empty.wmv"));
    VideoWriter noRate(64, 48, 0, dir.File("norate.wmv"));
    VideoWriter huge(1u << 31, 48, 30, dir.File("huge.wmv"));
    EXPECT_EQ(log.Count("Failed to initialise VideoWriter!"), 4);
    EXPECT_FALSE(unknown.IsReady());
    huge.writeFrame(nullptr);
    EXPECT_EQ(log.Count("VideoWriter unable to write frame!"), 1);
}

TEST(VideoWriter, EmptyRecordingStillFinishes) {
    ScratchDir dir("empty");
    const std::string file = dir.File("none.wmv");
    { VideoWriter writer(64, 48, 30, file); }
    EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace

namespace {

TEST(VideoWriter, FullDiskLogsFailedFramesWithoutCrashing) {
    ScratchDir dir("full");
    const std::string file = dir.File("full.wmv");
    std::filesystem::create_symlink("/dev/full", file);
    LogCapture log;
    {
        VideoWriter writer(320, 240, 30, file);
        ASSERT_TRUE(writer.IsReady());
        // Noise makes big packets, so the muxer's buffer overflows to the file early.
        std::vector<std::vector<uint8_t>> frames(2, std::vector<uint8_t>(320 * 240 * 4));
        uint32_t state = 1;
        for (auto& frame : frames)
            for (uint8_t& b : frame) b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
        for (int n = 0; n < 60; ++n) writer.writeFrame(frames[n % 2].data());
        writer.Finish();
        EXPECT_TRUE(writer.HasFailed());
    }
    EXPECT_GT(log.CountContaining("Failed to write frame "), 0);
    EXPECT_EQ(log.Count("Failed to finalise video '" + file + "'"), 1);
}

}  // namespace
