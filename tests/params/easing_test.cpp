// The ten ease functions and the bounce curve: exact values, endpoints and monotonic parts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/easing.h"

namespace {

constexpr double kA = 1.70158;

struct Named {
    const char* name;
    EaseFunction function;
};

const std::vector<Named> kAll = {
    {"Snap", Ease_Snap},
    {"Linear", Ease_Linear},
    {"QuadraticIn", Ease_QuadraticIn},
    {"QuadraticOut", Ease_QuadraticOut},
    {"QuadraticInOut", Ease_QuadraticInOut},
    {"QuadraticOutIn", Ease_QuadraticOutIn},
    {"BounceIn", Ease_BounceIn},
    {"BounceOut", Ease_BounceOut},
    {"BounceInOut", Ease_BounceInOut},
    {"BounceOutIn", Ease_BounceOutIn},
};

// Checks that f does not decrease on [from, to).
void ExpectNonDecreasing(EaseFunction f, double from, double to, const std::string& what) {
    const int steps = 2000;
    double previous = f(from);
    for (int i = 1; i < steps; ++i) {
        double x = from + (to - from) * i / steps;
        double value = f(x);
        ASSERT_GE(value, previous - 1e-15) << what << " at x = " << x;
        previous = value;
    }
}

void ExpectNonIncreasing(EaseFunction f, double from, double to, const std::string& what) {
    const int steps = 2000;
    double previous = f(from);
    for (int i = 1; i < steps; ++i) {
        double x = from + (to - from) * i / steps;
        double value = f(x);
        ASSERT_LE(value, previous + 1e-15) << what << " at x = " << x;
        previous = value;
    }
}

}  // namespace

TEST(Easing, FindsEveryNameExactlyAndCaseSensitively) {
    for (const Named& ease : kAll) EXPECT_EQ(Ease_Find(ease.name), ease.function) << ease.name;
    EXPECT_EQ(Ease_Find("linear"), nullptr);
    EXPECT_EQ(Ease_Find("Linear "), nullptr);
    EXPECT_EQ(Ease_Find(""), nullptr);
    EXPECT_EQ(Ease_Find("Bounce"), nullptr);
}

TEST(Easing, AllStartAtZeroAndAllButSnapApproachOne) {
    const double nearOne = 1.0 - 1e-12;
    for (const Named& ease : kAll) {
        EXPECT_EQ(ease.function(0.0), 0.0) << ease.name;
        if (ease.function == Ease_Snap) continue;
        EXPECT_NEAR(ease.function(nearOne), 1.0, 1e-9) << ease.name;
    }
    for (double x : {0.0, 0.25, 0.5, 0.999999}) EXPECT_EQ(Ease_Snap(x), 0.0);
}

TEST(Easing, QuadraticValues) {
    EXPECT_DOUBLE_EQ(Ease_Linear(0.3), 0.3);
    EXPECT_DOUBLE_EQ(Ease_QuadraticIn(0.5), 0.25);
    EXPECT_DOUBLE_EQ(Ease_QuadraticOut(0.5), 0.75);
    EXPECT_DOUBLE_EQ(Ease_QuadraticInOut(0.25), 0.125);
    EXPECT_DOUBLE_EQ(Ease_QuadraticInOut(0.5), 0.5);
    EXPECT_DOUBLE_EQ(Ease_QuadraticInOut(0.75), 0.875);
    EXPECT_DOUBLE_EQ(Ease_QuadraticOutIn(0.25), 0.375);
    EXPECT_DOUBLE_EQ(Ease_QuadraticOutIn(0.5), 0.5);
    // Both halves decelerate: 0.5 + 0.5 * u * (2 - u), not 0.5 + 0.5 * u * u (0.625).
    EXPECT_DOUBLE_EQ(Ease_QuadraticOutIn(0.75), 0.875);
}

TEST(Easing, BounceValues) {
    EXPECT_NEAR(Ease_BounceOut(0.5), 0.6011921875, 1e-12);
    EXPECT_NEAR(Ease_BounceIn(0.5), 0.3988078125, 1e-12);
    EXPECT_NEAR(Ease_BounceInOut(0.75), 0.80059609375, 1e-12);
    EXPECT_EQ(Ease_BounceInOut(1.0), 1.0);
    EXPECT_NEAR(Ease_BounceOutIn(0.25), 0.1011921875, 1e-12);
    // Halves meet in the middle.
    EXPECT_NEAR(Ease_BounceInOut(0.5), 0.5, 1e-12);
    EXPECT_NEAR(Ease_BounceOutIn(0.5), 0.5, 1e-12);
    EXPECT_NEAR(Ease_BounceOutIn(0.5 - 1e-12), 0.5, 1e-9);
}

TEST(Easing, BounceCurveSegments) {
    EXPECT_EQ(Ease_Bounce(1.0, 1.0), 1.0);
    EXPECT_EQ(Ease_Bounce(1.0, 0.5), 0.5);
    EXPECT_EQ(Ease_Bounce(0.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(Ease_Bounce(0.2, 1.0), 7.5625 * 0.04);
    EXPECT_DOUBLE_EQ(Ease_Bounce(0.2, 0.5), 7.5625 * 0.04 * 0.5);
    // The deepest point of each rebound, at its centre c, is base + A * (h - 1).
    EXPECT_NEAR(Ease_Bounce(1.5 / 2.75, 1.0), 1.0 - 0.25 * kA, 1e-12);
    EXPECT_NEAR(Ease_Bounce(1.5 / 2.75, 1.0), 0.574605, 1e-12);
    EXPECT_NEAR(Ease_Bounce(1.5 / 2.75, 0.5), 0.074605, 1e-12);
    EXPECT_NEAR(Ease_Bounce(2.25 / 2.75, 1.0), 1.0 - 0.0625 * kA, 1e-12);
    EXPECT_NEAR(Ease_Bounce(2.625 / 2.75, 1.0), 1.0 - 0.015625 * kA, 1e-12);
    // Every segment boundary touches base from both sides.
    for (double boundary : {1.0 / 2.75, 2.0 / 2.75, 2.5 / 2.75}) {
        EXPECT_NEAR(Ease_Bounce(boundary, 1.0), 1.0, 1e-12) << boundary;
        EXPECT_NEAR(Ease_Bounce(boundary - 1e-12, 1.0), 1.0, 1e-9) << boundary;
    }
}

TEST(Easing, MonotonicParts) {
    ExpectNonDecreasing(Ease_Linear, 0.0, 1.0, "Linear");
    ExpectNonDecreasing(Ease_QuadraticIn, 0.0, 1.0, "QuadraticIn");
    ExpectNonDecreasing(Ease_QuadraticOut, 0.0, 1.0, "QuadraticOut");
    ExpectNonDecreasing(Ease_QuadraticInOut, 0.0, 1.0, "QuadraticInOut");
    ExpectNonDecreasing(Ease_QuadraticOutIn, 0.0, 1.0, "QuadraticOutIn");

    // BounceOut rises to 1, then each rebound falls to its centre and rises back.
    const double edges[] = {0.0, 1.0 / 2.75, 1.5 / 2.75, 2.0 / 2.75, 2.25 / 2.75, 2.5 / 2.75, 2.625 / 2.75, 1.0};
    for (int i = 0; i + 1 < 7; ++i) {
        double from = edges[i] + 1e-9, to = edges[i + 1] - 1e-9;
        std::string what = "BounceOut piece " + std::to_string(i);
        if (i % 2 == 0) ExpectNonDecreasing(Ease_BounceOut, from, to, what);
        else ExpectNonIncreasing(Ease_BounceOut, from, to, what);
    }
    // BounceIn mirrors it: the final rise is its first piece from the right.
    ExpectNonDecreasing(Ease_BounceIn, 1.0 - 1.0 / 2.75 + 1e-9, 1.0, "BounceIn last piece");
    ExpectNonDecreasing(Ease_BounceInOut, 0.5, 0.5 + 0.5 / 2.75, "BounceInOut middle rise");
    ExpectNonDecreasing(Ease_BounceOutIn, 0.0, 0.5 / 2.75, "BounceOutIn first rise");
}

TEST(Easing, SymmetricPairs) {
    for (double x = 0.01; x < 1.0; x += 0.01) {
        EXPECT_NEAR(Ease_BounceIn(x), 1.0 - Ease_BounceOut(1.0 - x), 1e-12) << x;
        EXPECT_NEAR(Ease_QuadraticInOut(x), 1.0 - Ease_QuadraticInOut(1.0 - x), 1e-12) << x;
    }
    // QuadraticOutIn repeats the same decelerating half twice.
    for (double x = 0.0; x < 0.5; x += 0.01) {
        EXPECT_NEAR(Ease_QuadraticOutIn(x + 0.5), 0.5 + Ease_QuadraticOutIn(x), 1e-12) << x;
    }
}
