// The loading screen's redraws are spaced in time; the first and last values always draw.
#include <gtest/gtest.h>

#include "main/progressthrottle.h"

TEST(ProgressThrottle, DrawsEndsAlwaysAndTheRestAtMostOncePerInterval) {
    ProgressThrottle throttle(0.1);
    struct Step {
        float progress;
        double now;
        bool due;
    };
    const Step steps[] = {{0.0f, 10.00, true},  {0.1f, 10.05, false}, {0.2f, 10.12, true}, {0.3f, 10.17, false},
                          {0.4f, 10.21, false}, {0.5f, 10.30, true},  {1.0f, 10.31, true}, {1.0f, 10.32, true}};
    for (const Step& step : steps) EXPECT_EQ(throttle.Due(step.progress, step.now), step.due) << step.progress;
}
