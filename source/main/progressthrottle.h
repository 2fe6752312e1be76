#pragma once
// Spaces the loading screen's redraws in time: a software renderer spends tens of
// milliseconds on each full-screen draw, and loading reports progress hundreds of times.
// The first and the last value always draw.
class ProgressThrottle {
public:
    explicit ProgressThrottle(double minimumInterval = 0.1) : interval_(minimumInterval) {}
    // True when progress p, reported at `now` seconds, should be drawn; remembers the draw.
    bool Due(float p, double now);

private:
    double interval_;
    double lastDraw_ = -1e300;
};
