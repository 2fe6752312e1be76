#pragma once
// The seeded random sequence effects use to place things: the same seed gives the same scene.
#include <cstdint>

// Advances the state (state * 1103515245 + 12345, modulo 2^32) and returns
// (state mod 65535) / 65535 in single precision.
inline float RandomDraw(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<float>(state % 65535u) / 65535.0f;
}

// A value in [a, b).
inline float RandomRange(uint32_t& state, float a, float b) {
    return a + RandomDraw(state) * (b - a);
}
