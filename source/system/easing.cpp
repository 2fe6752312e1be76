#include "system/easing.h"

#include <array>

namespace {

// Every rebound is this many times deeper than the plain bounce curve's.
constexpr double kBounceAmplitude = 1.70158;

struct NamedEase {
    std::string_view name;
    EaseFunction function;
};

// Looked up in this order; the names are those written in the script's "ease" attribute.
constexpr std::array<NamedEase, 10> kEaseTable = {{
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
}};

}  // namespace

double Ease_Snap(double) { return 0.0; }

double Ease_Linear(double x) { return x; }

double Ease_QuadraticIn(double x) { return x * x; }

double Ease_QuadraticOut(double x) { return -(x - 2.0) * x; }

double Ease_QuadraticInOut(double x) {
    double a = 2.0 * x;
    if (a < 1.0) return 0.5 * a * a;
    double u = a - 1.0;
    return -0.5 * ((u - 2.0) * u - 1.0);
}

// Decelerates in both halves: the second half is 0.5 + 0.5 * u * (2 - u).
double Ease_QuadraticOutIn(double x) {
    double a = 2.0 * x;
    if (x < 0.5) return -0.5 * (a - 2.0) * a;
    double u = a - 1.0;
    return 0.5 - 0.5 * (u - 2.0) * u;
}

double Ease_BounceIn(double x) { return 1.0 - Ease_Bounce(1.0 - x, 1.0); }

double Ease_BounceOut(double x) { return Ease_Bounce(x, 1.0); }

double Ease_BounceInOut(double x) {
    if (x < 0.5) return 0.5 * (1.0 - Ease_Bounce(1.0 - 2.0 * x, 1.0));
    if (x == 1.0) return 1.0;
    return 0.5 * Ease_Bounce(2.0 * x - 1.0, 1.0) + 0.5;
}

double Ease_BounceOutIn(double x) {
    if (x < 0.5) return Ease_Bounce(2.0 * x, 0.5);
    return 1.0 - Ease_Bounce(2.0 - 2.0 * x, 0.5);
}

double Ease_Bounce(double s, double base) {
    if (s == 1.0) return base;
    if (s < 1.0 / 2.75) return 7.5625 * s * s * base;
    double c, h;
    if (s < 2.0 / 2.75) {
        c = 1.5 / 2.75;
        h = 0.75;
    } else if (s < 2.5 / 2.75) {
        c = 2.25 / 2.75;
        h = 0.9375;
    } else {
        c = 2.625 / 2.75;
        h = 0.984375;
    }
    double d = s - c;
    return base + kBounceAmplitude * (7.5625 * d * d + h - 1.0);
}

EaseFunction Ease_Find(std::string_view name) {
    for (const NamedEase& entry : kEaseTable) {
        if (entry.name == name) return entry.function;
    }
    return nullptr;
}
