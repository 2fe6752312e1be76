// Decoding real encoded files from memory, mix-down, and rejection of bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "audiotestsupport.h"
#include "support/logcapture.h"
#include "system/audiodecoder.h"

namespace {

using namespace audiotest;

DecodedTrack Decode(const std::vector<uint8_t>& bytes, const std::string& name, bool* ok = nullptr) {
    DecodedTrack track;
    bool result = DecodeAudio(bytes.data(), bytes.size(), name, &track);
    if (ok) *ok = result;
    return track;
}

// Upward zero crossings of the left channel per second: the tone's frequency as played.
double MeasuredFrequency(const DecodedTrack& t) {
    int crossings = 0;
    for (size_t f = 1; f < t.frames; ++f)
        if (t.samples[2 * (f - 1)] < 0.0f && t.samples[2 * f] >= 0.0f) ++crossings;
    return crossings / (double(t.frames) / t.sampleRate);
}

TEST(AudioDecoder, DecodesEveryFormatAtItsOwnRate) {
    const int expectedRate[] = {22050, 44100, 44100, 44100, 48000};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(kFormats[i]);
        bool ok = false;
        DecodedTrack t = Decode(ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio" / (std::string("tone.") + kFormats[i])),
                                "tone", &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(t.sampleRate, expectedRate[i]);
        EXPECT_EQ(t.samples.size(), t.frames * 2);
        // Lossy codecs pad by up to a frame or two; the tone itself lasts one second.
        EXPECT_NEAR(double(t.frames) / t.sampleRate, 1.0, 0.06);
        EXPECT_NEAR(MeasuredFrequency(t), 440.0, 6.0) << "decoded at the wrong speed";
        float peak = 0.0f;
        for (float v : t.samples) peak = std::max(peak, std::fabs(v));
        EXPECT_NEAR(peak, 0.5f, 0.08f);
    }
}

TEST(AudioDecoder, LosslessFormatsAreSampleExact) {
    DecodedTrack wav = Decode(ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio/tone.wav"), "w");
    DecodedTrack flac = Decode(ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio/tone.flac"), "f");
    EXPECT_EQ(wav.frames, 22050u);
    EXPECT_EQ(flac.frames, 44100u);
    // Mono is copied to both sides.
    for (size_t f = 0; f < wav.frames; f += 97) EXPECT_EQ(wav.samples[2 * f], wav.samples[2 * f + 1]);
}

// FLAC of 12 and 20 bits and AAC are refused by libsndfile and decoded through FFmpeg, at
// their own rate, for their whole length, at the right level and speed.
TEST(AudioDecoder, FilesLibsndfileRefusesDecodeThroughFfmpeg) {
    struct Case {
        const char* file;
        double seconds;
        double tolerance;  // AAC pads by a frame or two
    } cases[] = {{"tone20bit.flac", 1.5, 0.0}, {"tone12bit.flac", 1.0, 0.0}, {"tone.m4a", 1.0, 0.06}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        LogCapture log;
        bool ok = false;
        DecodedTrack t = Decode(ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio" / c.file), c.file, &ok);
        ASSERT_TRUE(ok);
        EXPECT_TRUE(log.Entries().empty());
        EXPECT_EQ(t.sampleRate, 8000);
        EXPECT_NEAR(double(t.frames) / t.sampleRate, c.seconds, c.tolerance + 1e-9);
        EXPECT_NEAR(MeasuredFrequency(t), 440.0, 6.0);
        float peak = 0.0f;
        for (size_t f = 0; f < t.frames; ++f) {
            peak = std::max(peak, std::fabs(t.samples[2 * f]));
            ASSERT_EQ(t.samples[2 * f], t.samples[2 * f + 1]) << "mono is copied to both sides";
        }
        EXPECT_NEAR(peak, 0.5f, 0.08f);
    }
}

TEST(AudioDecoder, MixesSurroundDownToStereo) {
    // 5.1 in WAV order FL FR FC LFE BL BR, each channel a distinct constant.
    const float level[6] = {0.4f, -0.4f, 0.3f, 0.9f, 0.2f, -0.2f};
    auto bytes = MakeWav(8000, 6, 800, [&](int, int c) { return level[c]; });
    bool ok = false;
    DecodedTrack t = Decode(bytes, "surround.wav", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(t.frames, 800u);
    EXPECT_EQ(t.sampleRate, 8000);
    float left = t.samples[200], right = t.samples[201];
    EXPECT_GT(left, 0.2f);
    EXPECT_LT(right, 0.05f);
    EXPECT_LE(std::fabs(left), 1.0f);
    // Left gets FL, BL and part of the centre, never the right-hand channels or LFE.
    const float k = 0.70710678f, norm = 2.0f + k;
    EXPECT_NEAR(left, (0.4f + 0.2f + k * 0.3f) / norm, 2e-3f);
    EXPECT_NEAR(right, (-0.4f - 0.2f + k * 0.3f) / norm, 2e-3f);

    // Full scale on every channel stays within full scale after the mix.
    auto loud = MakeWav(8000, 8, 100, [](int, int) { return 1.0f; });
    DecodedTrack l = Decode(loud, "loud.wav");
    for (float v : l.samples) EXPECT_LE(v, 1.0f + 1e-4f);
}

TEST(AudioDecoder, BadInputFailsWithOneMessage) {
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + 7);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    png.resize(600, 0);
    std::vector<uint8_t> headerOnly = MakeWav(8000, 2, 0, [](int, int) { return 0.0f; });

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"empty.ogg", {}}, {"garbage.mp3", garbage}, {"image.ogg", png}, {"silence.wav", headerOnly}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        bool ok = true;
        DecodedTrack t = Decode(c.bytes, c.name, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(t.frames, 0u);
        EXPECT_TRUE(t.samples.empty());
        EXPECT_EQ(log.Entries().size(), 1u);
        EXPECT_EQ(log.CountContaining(std::string("Couldn't load audio file '") + c.name + "'"), 1);
        // Both decoders were asked, and each gives its reason.
        if (!c.bytes.empty()) {
            EXPECT_EQ(log.CountContaining("(FFmpeg: "), 1);
        }
    }
}

TEST(AudioDecoder, TruncatedFilesPlayWhatDecodes) {
    for (const char* format : kFormats) {
        SCOPED_TRACE(format);
        auto bytes = ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio" / (std::string("tone.") + format));
        // Cut in half, and cut to a few bytes of header.
        for (size_t keep : {bytes.size() / 2, size_t(12)}) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + keep);
            bool ok = false;
            DecodedTrack t = Decode(cut, "cut", &ok);
            if (ok) {
                EXPECT_GT(t.frames, 0u);
                EXPECT_LE(double(t.frames) / t.sampleRate, 1.06);
                for (float v : t.samples) ASSERT_TRUE(std::isfinite(v));
            }
        }
    }
}

TEST(AudioDecoder, ContentDecidesTheFormatNotTheName) {
    bool ok = false;
    DecodedTrack t = Decode(ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio/tone.flac"), "really-flac.mp3", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(t.frames, 44100u);
}

}  // namespace

// Music longer than memory allows is cut at the limit with one line, through both decoders
// (libsndfile for WAV, FFmpeg for AAC), and the limit itself is sane.
TEST(AudioDecoder, MusicLongerThanTheLimitIsCut) {
    EXPECT_GT(MaxMusicFrames(), size_t(48000) * 60 * 10);
    for (const char* format : {"wav", "m4a"}) {
        SCOPED_TRACE(format);
        const auto bytes = ReadBytes(fs::path(LUMIVANE_TEST_DATA) / "audio" / (std::string("tone.") + format));
        LogCapture log;
        DecodedTrack track;
        ASSERT_TRUE(DecodeAudio(bytes.data(), bytes.size(), "long", &track, 5000));
        EXPECT_EQ(track.frames, 5000u);
        EXPECT_EQ(track.samples.size(), 10000u);
        EXPECT_EQ(log.CountContaining("Audio file 'long' is too long to hold in memory: playing its first "), 1);
    }
}
