#pragma once
// The ease functions that shape a keyframe segment: each maps the segment fraction
// x in [0, 1) to an interpolation weight, 0 at x = 0. All but Snap approach 1 as x
// approaches 1.
#include <string_view>

using EaseFunction = double (*)(double);

double Ease_Snap(double x);
double Ease_Linear(double x);
double Ease_QuadraticIn(double x);
double Ease_QuadraticOut(double x);
double Ease_QuadraticInOut(double x);
double Ease_QuadraticOutIn(double x);
double Ease_BounceIn(double x);
double Ease_BounceOut(double x);
double Ease_BounceInOut(double x);
double Ease_BounceOutIn(double x);

// The bounce curve: a quadratic rise to `base` followed by three rebounds, each dipping
// by the fixed amplitude 1.70158 times the plain curve's dip. Returns base at s = 1.
double Ease_Bounce(double s, double base);

// The ease function named exactly (case-sensitively) `name`, or nullptr when there is none.
EaseFunction Ease_Find(std::string_view name);
