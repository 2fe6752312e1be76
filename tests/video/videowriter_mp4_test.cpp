// Recording to ".mp4": H.264 with the music muxed in as AAC, cut to the frames, and
// frame sizes that 4:2:0 video cannot take as they are.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mediaprobe.h"
#include "platform/videoencoder.h"
#include "support/logcapture.h"
#include "system/videowriter.h"

namespace {

using mediaprobe::ScratchDir;

std::vector<float> Sine(int sampleRate, double seconds, double frequency, float amplitude) {
    const size_t frames = static_cast<size_t>(sampleRate * seconds);
    std::vector<float> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const float v = amplitude * static_cast<float>(std::sin(2.0 * M_PI * frequency * i / sampleRate));
        samples[2 * i] = v;
        samples[2 * i + 1] = -v;
    }
    return samples;
}

std::vector<uint8_t> Frame(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = r;
        rgba[i + 1] = g;
        rgba[i + 2] = b;
        rgba[i + 3] = 255;
    }
    return rgba;
}

struct StreamInfo {
    std::vector<std::string> types, durations, frames;
};

StreamInfo Streams(const std::string& file) {
    const std::string json = mediaprobe::Probe(file, "-show_entries stream=codec_type,duration,nb_read_frames");
    return {mediaprobe::JsonValues(json, "codec_type"), mediaprobe::JsonValues(json, "duration"),
            mediaprobe::JsonValues(json, "nb_read_frames")};
}

TEST(VideoWriterMp4, SoundTrackEndsWithTheVideo) {
    ScratchDir dir("mp4audio");
    const std::string file = dir.File("show.mp4");
    const auto sound = Sine(48000, 3.0, 440.0, 0.5f);  // longer than the 2 s of pictures
    {
        VideoWriter writer(64, 48, 30, file);
        ASSERT_TRUE(writer.SetAudioTrack(sound.data(), sound.size() / 2, 48000));
        const auto frame = Frame(64, 48, 200, 60, 30);
        for (int n = 0; n < 60; ++n) writer.writeFrame(frame.data());
        EXPECT_FALSE(writer.SetAudioTrack(sound.data(), sound.size() / 2, 48000)) << "only before the first frame";
    }
    const StreamInfo info = Streams(file);
    ASSERT_EQ(info.types, (std::vector<std::string>{"video", "audio"}));
    ASSERT_EQ(info.durations.size(), 2u);
    EXPECT_EQ(info.frames[0], "60");
    EXPECT_NEAR(std::atof(info.durations[0].c_str()), 2.0, 0.034);
    EXPECT_NEAR(std::atof(info.durations[1].c_str()), 2.0, 0.03);

    // The sound that comes back is the sine, both channels, from the start.
    const std::vector<float> decoded = mediaprobe::DecodeAudio(file);
    // Fragmented MP4 keeps the AAC encoder's 1024 priming samples (21 ms): FFmpeg applies no
    // edit list to fragments.
    ASSERT_NEAR(decoded.size() / 2.0, 96000.0, 1300.0);
    double sumLeft = 0, sumRight = 0, cross = 0;
    for (size_t i = 2 * 4800; i + 1 < decoded.size() - 2 * 4800; i += 2) {
        sumLeft += decoded[i] * decoded[i];
        sumRight += decoded[i + 1] * decoded[i + 1];
        cross += decoded[i] * decoded[i + 1];
    }
    const double count = decoded.size() / 2.0 - 9600;
    EXPECT_NEAR(std::sqrt(sumLeft / count), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(std::sqrt(sumRight / count), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_LT(cross, 0.0) << "channels must stay apart and in order";
    // Phase at a known point: the sine starts after the 1024 priming samples, so 2400 samples
    // (20 cycles) later it is near 0 rising.
    const size_t at = 1024 + 2400 + 27;
    EXPECT_NEAR(decoded[2 * at], 0.5f * std::sin(2.0 * M_PI * 440.0 * 27 / 48000), 0.05f);
}

TEST(VideoWriterMp4, ShortSoundTrackStopsEarly) {
    ScratchDir dir("mp4short");
    const std::string file = dir.File("short.mp4");
    const auto sound = Sine(44100, 0.5, 220.0, 0.25f);
    {
        VideoWriter writer(64, 48, 30, file);
        ASSERT_TRUE(writer.SetAudioTrack(sound.data(), sound.size() / 2, 44100));
        const auto frame = Frame(64, 48, 10, 20, 30);
        for (int n = 0; n < 45; ++n) writer.writeFrame(frame.data());
    }
    const StreamInfo info = Streams(file);
    ASSERT_EQ(info.durations.size(), 2u);
    EXPECT_NEAR(std::atof(info.durations[0].c_str()), 1.5, 0.034);
    EXPECT_NEAR(std::atof(info.durations[1].c_str()), 0.5, 0.03);
}

TEST(VideoWriterMp4, OddSizeIsPaddedWithItsEdges) {
    ScratchDir dir("mp4odd");
    const std::string file = dir.File("odd.mp4");
    // Left part red, the last column and the last row blue: padding must repeat the blue.
    std::vector<uint8_t> rgba = Frame(65, 49, 220, 30, 30);
    for (int y = 0; y < 49; ++y)
        for (int x = 0; x < 65; ++x)
            if (x >= 33 || y >= 25) {
                uint8_t* p = &rgba[(y * 65 + x) * 4];
                p[0] = 30, p[1] = 30, p[2] = 220;
            }
    {
        VideoWriter writer(65, 49, 30, file);
        ASSERT_TRUE(writer.IsReady());
        for (int n = 0; n < 15; ++n) writer.writeFrame(rgba.data());
    }
    const std::string json = mediaprobe::Probe(file, "-show_entries stream=nb_read_frames,width,height");
    EXPECT_EQ(mediaprobe::JsonValues(json, "nb_read_frames"), std::vector<std::string>{"15"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "width"), std::vector<std::string>{"66"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "height"), std::vector<std::string>{"50"}) << json;

    const std::string rgb = mediaprobe::DecodeRgb(file);
    ASSERT_EQ(rgb.size(), 15u * 66 * 50 * 3);
    auto pixel = [&](int x, int y) { return reinterpret_cast<const uint8_t*>(rgb.data() + (y * 66 + x) * 3); };
    EXPECT_NEAR(pixel(8, 8)[0], 220, 12);
    EXPECT_NEAR(pixel(8, 8)[2], 30, 12);
    for (auto [x, y] : {std::pair{65, 10}, std::pair{10, 49}, std::pair{65, 49}, std::pair{64, 48}}) {
        EXPECT_NEAR(pixel(x, y)[0], 30, 16) << x << "," << y;
        EXPECT_NEAR(pixel(x, y)[2], 220, 16) << x << "," << y;
    }
}

// MP4 is written in fragments: a recording killed outright, never finished, still plays up
// to its last key frame.
TEST(VideoWriterMp4, KilledRecordingPlaysUpToItsLastFragment) {
    ScratchDir dir("mp4killed");
    const std::string file = dir.File("killed.mp4");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VideoEncoder encoder;
        if (!encoder.Open(file, 64, 48, 30)) _exit(1);
        for (int n = 0; n < 90; ++n) {
            std::vector<uint8_t> rgba = Frame(64, 48, uint8_t(2 * n), 128, 200);
            encoder.EncodeFrame(rgba.data());
        }
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const StreamInfo streams = Streams(file);
    ASSERT_EQ(streams.frames.size(), 1u);
    const int frames = std::atoi(streams.frames[0].c_str());
    EXPECT_GE(frames, 60);  // everything but the last second
    EXPECT_LE(frames, 90);
}

TEST(VideoWriterMp4, WmvAndBadTracksRefuseSound) {
    ScratchDir dir("nosound");
    LogCapture log;
    const auto sound = Sine(48000, 0.1, 440.0, 0.5f);
    VideoWriter wmv(64, 48, 30, dir.File("silent.wmv"));
    EXPECT_FALSE(wmv.SetAudioTrack(sound.data(), sound.size() / 2, 48000));
    VideoWriter mp4(64, 48, 30, dir.File("sound.mp4"));
    EXPECT_FALSE(mp4.SetAudioTrack(nullptr, 100, 48000));
    EXPECT_FALSE(mp4.SetAudioTrack(sound.data(), 0, 48000));
    EXPECT_FALSE(mp4.SetAudioTrack(sound.data(), sound.size() / 2, 12345));
    EXPECT_TRUE(mp4.SetAudioTrack(sound.data(), sound.size() / 2, 48000));
    EXPECT_FALSE(mp4.SetAudioTrack(sound.data(), sound.size() / 2, 48000)) << "one track only";
    EXPECT_EQ(log.Count("VideoWriter unable to write frame!"), 0);
}

}  // namespace
