// Quality of the show's clock on the paced null output, read like the main loop reads it:
// 60 times a second for 3 seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "audiotestsupport.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

using namespace audiotest;
using Clock = std::chrono::steady_clock;

class AudioClock : public MountedData {};

TEST_F(AudioClock, MonotonicSmoothAndTrueToTheWallClock) {
    // Four seconds of quiet noise at 8 kHz mono: longer than the run, so it never ends.
    WriteBytes(scratch_ / "long.wav",
               MakeWav(8000, 1, 4 * 8000, [](int f, int) { return float((f * 7919) % 200 - 100) / 3200.0f; }));
    gQuit = false;
    Audio_SetNullOutput(true);
    Audio_Init();
    ASSERT_TRUE(Audio_Load("long.wav"));
    Audio_Play();

    struct Reading {
        double wall;
        double position;
    };
    std::vector<Reading> readings;
    // The clock holds at 0 until the output's first block is due; measure from there on.
    const Clock::time_point playStart = Clock::now();
    while (Audio_Update() == 0.0 && Clock::now() - playStart < std::chrono::seconds(1))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto period = std::chrono::microseconds(16667);
    const Clock::time_point start = Clock::now();
    for (int i = 1; i <= 180; ++i) {
        std::this_thread::sleep_until(start + i * period);
        Clock::time_point now = Clock::now();
        double position = Audio_Update();
        readings.push_back({std::chrono::duration<double>(now - start).count(), position});
    }
    Audio_Shutdown();
    ASSERT_FALSE(gQuit);

    const double frame60 = 1.0 / 60.0;
    // Drift: how far the clock has moved from the wall clock since the first reading.
    // The test thread's own lateness changes the wall times too, so it does not count.
    std::vector<double> drift;
    for (size_t i = 1; i < readings.size(); ++i) {
        const Reading& a = readings[i - 1];
        const Reading& b = readings[i];
        ASSERT_GE(b.position, a.position) << "the clock went back at reading " << i;
        double stepError = (b.position - a.position) - (b.wall - a.wall);
        EXPECT_LT(std::fabs(stepError), 2 * frame60) << "reading " << i;
        drift.push_back((b.position - readings[0].position) - (b.wall - readings[0].wall));
    }
    std::vector<double> sorted = drift;
    for (double& d : sorted) d = std::fabs(d);
    std::sort(sorted.begin(), sorted.end());
    // Whole-millisecond readings add up to 1 ms; a late wake-up of the output thread holds
    // the clock briefly, so judge the typical and the final drift.
    EXPECT_LT(sorted[sorted.size() / 2], 0.005) << "median drift";
    EXPECT_LT(sorted[sorted.size() * 9 / 10], 0.005) << "90th percentile drift";
    std::printf("clock drift: median %.3f ms, 90th %.3f ms, max %.3f ms\n", sorted[sorted.size() / 2] * 1e3,
                sorted[sorted.size() * 9 / 10] * 1e3, sorted.back() * 1e3);
    double finalDrift = 0.0;
    for (size_t i = drift.size() - 10; i < drift.size(); ++i) finalDrift += drift[i] / 10.0;
    EXPECT_LT(std::fabs(finalDrift), 0.005) << "drift after 3 s";
    EXPECT_NEAR(readings.back().position - readings.front().position, readings.back().wall - readings.front().wall,
                0.005);
}

}  // namespace
