// The Audio_* service on the paced null output, with real encoded files from the data
// file system: loading, transport, the end of the music, reloads and bad input.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "audiotestsupport.h"
#include "support/logcapture.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

using namespace audiotest;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void Wait(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// Plays for a moment and checks that the clock moved forward, no faster than the wall clock.
// (Only the direction and the bound are checked: a loaded machine may delay the output thread.)
void ExpectClockRuns() {
    const auto start = Clock::now();
    Audio_Play();
    Wait(120);
    const double position = Audio_Update();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GT(position, 0.0);
    EXPECT_LE(position, elapsed + 0.002);
}

class AudioTest : public MountedData {
protected:
    void SetUp() override {
        MountedData::SetUp();
        gQuit = false;
        gMusicVolume = 1.0;
        Audio_SetNullOutput(true);
        Audio_Init();
    }
    void TearDown() override {
        Audio_Shutdown();
        gQuit = false;
        MountedData::TearDown();
    }
    void CopyFixture(const std::string& ext, const std::string& name) {
        fs::copy_file(FixtureDir() / ("tone." + ext), scratch_ / name, fs::copy_options::overwrite_existing);
    }
    void Touch(const std::string& name, int seconds) {
        fs::last_write_time(scratch_ / name, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
    }
};

TEST_F(AudioTest, TransportInEveryFormat) {
    for (const char* format : kFormats) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(Audio_Load(Fixture(format)));
        ASSERT_TRUE(Audio_HasChannel());
        EXPECT_TRUE(Audio_IsPaused());
        EXPECT_EQ(Audio_GetPositionMs(), 0u);
        const float* samples = nullptr;
        size_t frames = 0;
        int rate = 0;
        ASSERT_TRUE(Audio_GetTrack(&samples, &frames, &rate));
        EXPECT_NEAR(double(frames) / rate, 1.0, 0.06);

        const auto start = Clock::now();
        Audio_Play();
        EXPECT_FALSE(Audio_IsPaused());
        Wait(200);
        // Played at its own rate: a file at 22050 Hz runs at the wall clock's pace too.
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_NEAR(Audio_Update(), elapsed, 0.05);

        Audio_SetPaused(true);
        unsigned frozen = Audio_GetPositionMs();
        Wait(60);
        EXPECT_EQ(Audio_GetPositionMs(), frozen);
        Audio_SetPaused(false);
        Wait(60);
        EXPECT_GT(Audio_GetPositionMs(), frozen + 20);

        Audio_SetPositionMs(700);
        EXPECT_EQ(Audio_GetPositionMs(), 700u) << "a seek shows at once";
        Audio_SetPositionMs(100);
        EXPECT_EQ(Audio_GetPositionMs(), 100u);
        Wait(50);
        EXPECT_NEAR(Audio_GetPositionMs(), 150.0, 30.0);
        EXPECT_FALSE(gQuit);
    }
}

TEST_F(AudioTest, EndOfMusicSetsQuitOnTime) {
    ASSERT_TRUE(Audio_Load(Fixture("ogg")));
    const float* samples;
    size_t frames;
    int rate;
    ASSERT_TRUE(Audio_GetTrack(&samples, &frames, &rate));
    const double length = double(frames) / rate;

    Audio_Play();
    Audio_SetPositionMs(600);
    // The true end is due (length - position) after the clock is seen running from the seek.
    Clock::time_point start = Clock::now();
    double first = Audio_Update();
    while (first <= 0.6 && Clock::now() - start < std::chrono::seconds(1)) {
        Wait(1);
        start = Clock::now();
        first = Audio_Update();
    }
    double last = first;
    while (!gQuit && Clock::now() - start < std::chrono::seconds(3)) {
        double t = Audio_Update();
        ASSERT_GE(t, last);
        last = t;
        Wait(2);
    }
    ASSERT_TRUE(gQuit);
    double tookMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    double dueMs = (length - first) * 1000.0;
    EXPECT_GT(tookMs, dueMs - 5.0);
    EXPECT_LT(tookMs, dueMs + 50.0);

    // The clock rests at the end; the channel is gone.
    EXPECT_NEAR(Audio_Update(), length, 0.002);
    EXPECT_FALSE(Audio_HasChannel());
    EXPECT_FALSE(Audio_IsPaused());
    EXPECT_EQ(Audio_GetPositionMs(), 0u);
    Audio_SetPaused(false);
    Audio_SetPositionMs(100);
    EXPECT_FALSE(Audio_HasChannel());
}

// A 20-bit FLAC (decoded through FFmpeg) plays its whole length and then ends the show.
TEST_F(AudioTest, TwentyBitFlacPlaysItsLength) {
    ASSERT_TRUE(Audio_Load("fixtures/tone20bit.flac"));
    const float* samples;
    size_t frames;
    int rate;
    ASSERT_TRUE(Audio_GetTrack(&samples, &frames, &rate));
    EXPECT_EQ(frames, 12000u);
    EXPECT_EQ(rate, 8000);
    Audio_Play();
    Audio_SetPositionMs(1300);
    const Clock::time_point start = Clock::now();
    while (!gQuit && Clock::now() - start < std::chrono::seconds(3)) {
        Audio_Update();
        Wait(5);
    }
    EXPECT_TRUE(gQuit);
    EXPECT_NEAR(Audio_Update(), 1.5, 0.002);
}

TEST_F(AudioTest, SeeksClampToTheTrack) {
    ASSERT_TRUE(Audio_Load(Fixture("flac")));
    Audio_SetPositionMs(400);
    // A seek back by 3 s computed in unsigned arithmetic wraps around; it lands at 0.
    Audio_SetPositionMs(Audio_GetPositionMs() - 3000u);
    EXPECT_EQ(Audio_GetPositionMs(), 0u);
    Audio_SetPositionMs(60000);
    EXPECT_EQ(Audio_GetPositionMs(), 1000u);
    EXPECT_TRUE(Audio_IsPaused());
    EXPECT_FALSE(gQuit);
    Audio_Update();
    EXPECT_FALSE(gQuit) << "paused at the end is not the end of the show";

    // Skipping past the end while playing ends the music.
    Audio_SetPaused(false);
    Audio_SetPositionMs(60000);
    for (int i = 0; i < 50 && !gQuit; ++i) {
        Audio_Update();
        Wait(2);
    }
    EXPECT_TRUE(gQuit);
}

TEST_F(AudioTest, SameNameTwiceChangesNothing) {
    CopyFixture("wav", "music.wav");
    ASSERT_TRUE(Audio_Load("music.wav"));
    Audio_Play();
    Audio_SetPositionMs(500);
    LogCapture log;
    fs::copy_file(FixtureDir() / "tone.mp3", scratch_ / "music.wav", fs::copy_options::overwrite_existing);
    EXPECT_TRUE(Audio_Load("music.wav"));
    EXPECT_TRUE(Audio_HasChannel());
    EXPECT_FALSE(Audio_IsPaused());
    EXPECT_GE(Audio_GetPositionMs(), 500u);
    int rate = 0;
    const float* samples;
    size_t frames;
    ASSERT_TRUE(Audio_GetTrack(&samples, &frames, &rate));
    EXPECT_EQ(rate, 22050) << "the music was not reloaded";
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(AudioTest, MissingFileAfterAGoodOneStopsTheMusic) {
    ASSERT_TRUE(Audio_Load(Fixture("ogg")));
    Audio_Play();
    LogCapture log;
    EXPECT_FALSE(Audio_Load("missing.ogg"));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].message, "Couldn't load audio file 'missing.ogg'");
    EXPECT_EQ(log.Entries()[0].function, "Audio_Load");
    EXPECT_FALSE(Audio_HasChannel());
    const float* samples;
    size_t frames;
    int rate;
    EXPECT_FALSE(Audio_GetTrack(&samples, &frames, &rate));
    Audio_Play();
    EXPECT_EQ(Audio_Update(), 0.0);
    EXPECT_FALSE(gQuit);

    log.Clear();
    EXPECT_TRUE(Audio_Load("missing.ogg"));
    EXPECT_TRUE(log.Entries().empty());
    // A different name loads again.
    EXPECT_TRUE(Audio_Load(Fixture("ogg")));
    EXPECT_TRUE(Audio_HasChannel());
}

TEST_F(AudioTest, NothingLoaded) {
    EXPECT_EQ(Audio_Update(), 0.0);
    EXPECT_FALSE(Audio_HasChannel());
    EXPECT_FALSE(Audio_IsPaused());
    Audio_Play();
    Audio_SetPaused(true);
    Audio_SetPositionMs(1000);
    Audio_SetVolume(0.5f);
    EXPECT_EQ(Audio_GetPositionMs(), 0u);
    EXPECT_EQ(Audio_Update(), 0.0);
    EXPECT_FALSE(gQuit);
}

TEST_F(AudioTest, NoMusicNamedRunsASilentClock) {
    LogCapture log;
    EXPECT_TRUE(Audio_Load(""));
    EXPECT_TRUE(log.Entries().empty());
    ASSERT_TRUE(Audio_HasChannel()) << "a show without music still has a running clock";
    ExpectClockRuns();
    const double before = Audio_Update();
    EXPECT_TRUE(Audio_Load("")) << "the same empty name again changes nothing";
    EXPECT_GE(Audio_Update(), before);
}

TEST_F(AudioTest, BadFilesRunASilentClock) {
    auto garbage = std::vector<uint8_t>(3000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 31 + i / 7);
    auto wav = ReadBytes(FixtureDir() / "tone.wav");
    WriteBytes(scratch_ / "empty.ogg", {});
    WriteBytes(scratch_ / "garbage.mp3", garbage);
    WriteBytes(scratch_ / "truncated.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 30));
    WriteBytes(scratch_ / "notes.txt", {'h', 'i', '\n'});
    for (const char* name : {"empty.ogg", "garbage.mp3", "truncated.wav", "notes.txt"}) {
        SCOPED_TRACE(name);
        LogCapture log;
        EXPECT_TRUE(Audio_Load(name)) << "the show goes on";
        // Decoding runs on its own thread; the first question about the music waits for it.
        ASSERT_TRUE(Audio_HasChannel());
        EXPECT_EQ(log.Entries().size(), 1u);
        EXPECT_EQ(log.CountContaining(std::string("Couldn't load audio file '") + name + "'"), 1);
        const float* samples;
        size_t frames;
        int rate;
        EXPECT_FALSE(Audio_GetTrack(&samples, &frames, &rate));
        ExpectClockRuns();
        EXPECT_FALSE(gQuit);
    }
}

TEST_F(AudioTest, PositionIsReportedInSinglePrecision) {
    WriteBytes(scratch_ / "junk.ogg", {1, 2, 3, 4});
    ASSERT_TRUE(Audio_Load("junk.ogg"));  // a silent clock without end
    Audio_SetPositionMs(61234);
    EXPECT_EQ(Audio_Update(), double(61234.0f / 1000.0f));
    EXPECT_NEAR(Audio_Update(), 61.234001159668, 1e-12);
}

TEST_F(AudioTest, EditedMusicFileResumesPausedMusicInPlace) {
    CopyFixture("wav", "music.wav");
    ASSERT_TRUE(Audio_Load("music.wav"));
    Audio_Play();
    Audio_SetPositionMs(300);
    Audio_SetPaused(true);
    Audio_Update();
    EXPECT_TRUE(Audio_IsPaused());

    LogCapture log;
    Touch("music.wav", 5);
    gMusicVolume = 0.5;
    unsigned before = Audio_GetPositionMs();
    Audio_Update();
    EXPECT_FALSE(Audio_IsPaused());
    EXPECT_NEAR(double(Audio_GetPositionMs()), double(before), 15.0);
    EXPECT_EQ(log.Count("Filewatcher has noticed that 'music.wav' has changed"), 1);

    // While playing, an edit changes nothing.
    Wait(50);
    unsigned playing = Audio_GetPositionMs();
    Touch("music.wav", 10);
    Audio_Update();
    EXPECT_FALSE(Audio_IsPaused());
    EXPECT_GE(Audio_GetPositionMs(), playing);
    EXPECT_EQ(log.CountContaining("has changed"), 2);
}

TEST_F(AudioTest, PlayStartsFromTheBeginningAtTheMusicVolume) {
    ASSERT_TRUE(Audio_Load(Fixture("wav")));
    Audio_SetPositionMs(500);
    gMusicVolume = 0.0;
    Audio_Play();
    EXPECT_LT(Audio_GetPositionMs(), 20u);
    Wait(30);
    // Play on music already playing does nothing.
    unsigned now = Audio_GetPositionMs();
    Audio_Play();
    EXPECT_GE(Audio_GetPositionMs(), now);
}

// Without forcing the null output the machine's device is used when it opens; where none
// does (no sound card) the clock still runs, and the failure is logged once, not per load.
TEST_F(AudioTest, FallsBackToPacedSilenceWithoutADevice) {
    Audio_Shutdown();
    Audio_SetNullOutput(false);
    LogCapture log;
    Audio_Init();
    ASSERT_TRUE(Audio_Load(Fixture("opus")));
    ASSERT_TRUE(Audio_Load(Fixture("flac")));
    Audio_Play();
    Wait(250);
    double t = Audio_Update();
    EXPECT_GT(t, 0.05);
    EXPECT_LT(t, 0.35);
    EXPECT_LE(log.Entries().size(), 1u);
    Audio_Shutdown();
    Audio_SetNullOutput(true);
    Audio_Init();
}

}  // namespace

namespace {

// Loading returns while the track decodes: a second load, or shutting down, before the first
// decode is done waits for it and keeps only what was asked for last.
TEST_F(AudioTest, LoadsWhileDecodingKeepTheLastTrack) {
    CopyFixture("ogg", "first.ogg");
    CopyFixture("wav", "second.wav");
    ASSERT_TRUE(Audio_Load("first.ogg"));
    ASSERT_TRUE(Audio_Load("second.wav"));
    const float* samples = nullptr;
    size_t frames = 0;
    int rate = 0;
    ASSERT_TRUE(Audio_GetTrack(&samples, &frames, &rate));
    EXPECT_GT(frames, 0u);
    ASSERT_TRUE(Audio_HasChannel());
    EXPECT_TRUE(Audio_IsPaused());

    ASSERT_TRUE(Audio_Load("first.ogg"));
    Audio_Shutdown();  // with the decode maybe still running
    EXPECT_FALSE(Audio_GetTrack(&samples, &frames, &rate));
}

}  // namespace
