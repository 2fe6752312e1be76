// The music clock with explicit callback times: no real time passes in these tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "system/musicplayer.h"

namespace {

using Clock = MusicPlayer::Clock;
using std::chrono::milliseconds;

constexpr int kRate = 1000;  // one frame per millisecond keeps the arithmetic readable

std::shared_ptr<const DecodedTrack> Ramp(int frames) {
    auto t = std::make_shared<DecodedTrack>();
    t->sampleRate = kRate;
    t->frames = size_t(frames);
    for (int f = 0; f < frames; ++f) {
        t->samples.push_back(float(f) / frames);
        t->samples.push_back(-float(f) / frames);
    }
    return t;
}

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { player_.Start(Ramp(1000), kRate); }
    // One output callback of n frames at time t0 + ms.
    std::vector<float> Block(int n, int ms) {
        std::vector<float> out(size_t(n) * 2, 7.0f);
        player_.Render(out.data(), n, At(ms));
        return out;
    }
    Clock::time_point At(int ms) const { return t0_ + milliseconds(ms); }

    MusicPlayer player_;
    Clock::time_point t0_ = Clock::now();
};

TEST_F(MusicPlayerTest, PausedAtStartOutputsSilenceAndHoldsZero) {
    EXPECT_TRUE(player_.HasChannel());
    EXPECT_TRUE(player_.IsPaused());
    for (float v : Block(10, 0)) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(player_.Position(At(50)), 0.0);
}

TEST_F(MusicPlayerTest, ClockInterpolatesWithinACallbackAndStopsAtItsEnd) {
    player_.SetPaused(false, At(0));
    EXPECT_EQ(player_.Position(At(0)), 0.0) << "nothing heard before the first callback";
    auto out = Block(10, 0);
    EXPECT_FLOAT_EQ(out[2 * 5], 5.0f / 1000);
    EXPECT_FLOAT_EQ(out[2 * 5 + 1], -5.0f / 1000);
    EXPECT_NEAR(player_.Position(At(4)), 4.0, 1e-6);
    // A late callback: the clock waits at the end of what was rendered rather than guess.
    EXPECT_NEAR(player_.Position(At(25)), 10.0, 1e-6);
    Block(10, 10);  // stamped with its due time, the clock catches up
    EXPECT_NEAR(player_.Position(At(15)), 15.0, 1e-6);
}

TEST_F(MusicPlayerTest, BlocksRenderedAheadCountOnlyOnceDue) {
    player_.SetPaused(false, At(0));
    Block(10, 0);
    Block(10, 10);  // both rendered at once, as an output with a lead does
    Block(10, 20);
    EXPECT_NEAR(player_.Position(At(5)), 5.0, 1e-6);
    EXPECT_NEAR(player_.Position(At(17)), 17.0, 1e-6);
    EXPECT_NEAR(player_.Position(At(29)), 29.0, 1e-6);
    EXPECT_NEAR(player_.Position(At(40)), 30.0, 1e-6) << "nothing rendered beyond 30 frames";
}

TEST_F(MusicPlayerTest, LatencyDelaysTheHeardPositionButNeverGoesBack) {
    player_.SetLatencyFrames(20);
    player_.SetPaused(false, At(0));
    Block(10, 0);
    EXPECT_EQ(player_.Position(At(5)), 0.0) << "clamped at 0 while the buffer fills";
    Block(10, 10);
    Block(10, 20);
    Block(10, 30);
    EXPECT_NEAR(player_.Position(At(35)), 15.0, 1e-6);
    // A device that reports more latency would put the raw value behind the last reading.
    player_.SetLatencyFrames(30);
    EXPECT_NEAR(player_.Position(At(36)), 15.0, 1e-6);
    EXPECT_NEAR(player_.Position(At(40)), 15.0, 1e-6);
    Block(10, 40);
    EXPECT_NEAR(player_.Position(At(47)), 17.0, 1e-6);
}

TEST_F(MusicPlayerTest, PauseFreezesAtHeardPositionAndResumesFromIt) {
    player_.SetPaused(false, At(0));
    Block(10, 0);
    Block(10, 10);
    player_.SetPaused(true, At(13));
    EXPECT_NEAR(player_.Position(At(13)), 13.0, 1e-6);
    EXPECT_NEAR(player_.Position(At(500)), 13.0, 1e-6);
    for (float v : Block(10, 20)) EXPECT_EQ(v, 0.0f);
    player_.SetPaused(false, At(600));
    auto out = Block(10, 600);
    EXPECT_FLOAT_EQ(out[0], 13.0f / 1000) << "resumes with the first frame not yet heard";
    EXPECT_NEAR(player_.Position(At(605)), 18.0, 1e-6);
}

TEST_F(MusicPlayerTest, SeeksJumpAtOnceAndClamp) {
    player_.SetPaused(false, At(0));
    Block(10, 0);
    EXPECT_NEAR(player_.Position(At(9)), 9.0, 1e-6);
    player_.Seek(500.0);
    EXPECT_EQ(player_.Position(At(9)), 500.0);
    player_.Seek(100.0);
    EXPECT_EQ(player_.Position(At(9)), 100.0) << "a seek back is not held by the last reading";
    auto out = Block(10, 10);
    EXPECT_FLOAT_EQ(out[0], 100.0f / 1000);
    player_.Seek(-50.0);
    EXPECT_EQ(player_.Position(At(10)), 0.0);
    player_.Seek(1e9);
    EXPECT_EQ(player_.Position(At(10)), 1000.0);
}

TEST_F(MusicPlayerTest, EndIsReachedWhenTheLastFrameIsHeard) {
    player_.SetPaused(false, At(0));
    player_.Seek(990.0);
    auto out = Block(16, 0);
    EXPECT_FLOAT_EQ(out[2 * 9], 999.0f / 1000);
    EXPECT_EQ(out[2 * 10], 0.0f) << "silence after the last frame";
    EXPECT_FALSE(player_.HasEnded(At(9)));
    EXPECT_TRUE(player_.HasEnded(At(10)));
    EXPECT_EQ(player_.Position(At(15)), 1000.0);
}

TEST_F(MusicPlayerTest, VolumeScalesOutput) {
    player_.SetVolume(0.25f);
    player_.SetPaused(false, At(0));
    player_.Seek(400.0);
    auto out = Block(4, 0);
    EXPECT_FLOAT_EQ(out[0], 0.25f * 0.4f);
}

TEST(MusicPlayer, SilentClockRunsWithoutEndAndStoppedPlayerIsInert) {
    MusicPlayer p;
    Clock::time_point t0 = Clock::now();
    p.Start(nullptr, 48000);
    EXPECT_TRUE(p.IsSilent());
    EXPECT_TRUE(std::isinf(p.LengthFrames()));
    p.SetPaused(false, t0);
    std::vector<float> out(960);
    for (int i = 0; i < 100; ++i) p.Render(out.data(), 480, t0 + milliseconds(10 * i));
    for (float v : out) EXPECT_EQ(v, 0.0f);
    EXPECT_NEAR(p.Position(t0 + milliseconds(995)), 0.995 * 48000, 1e-3);
    EXPECT_FALSE(p.HasEnded(t0 + std::chrono::hours(1)));

    p.Stop();
    EXPECT_FALSE(p.HasChannel());
    EXPECT_FALSE(p.IsPaused());
    p.Seek(100.0);
    p.SetPaused(false, t0);
    EXPECT_EQ(p.Position(t0), 0.0);
}

}  // namespace
