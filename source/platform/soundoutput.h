#pragma once
// Where the music's samples go: an SDL2 audio device, or a paced null output that consumes
// samples on a thread of its own when no device can be used. Either way the render callback
// is called with blocks of interleaved stereo floats at the requested rate, and with the
// steady-clock time that the block starts being consumed.
#include <chrono>
#include <functional>
#include <memory>

class SoundOutput {
public:
    using Clock = std::chrono::steady_clock;
    // Fills frames * 2 floats. Runs on the output's own thread.
    using RenderFn = std::function<void(float* stereo, int frames, Clock::time_point when)>;

    virtual ~SoundOutput() = default;
    // Frames between the block being rendered and the sound being heard.
    virtual int LatencyFrames() const = 0;
    virtual bool IsNull() const = 0;
    int Rate() const { return rate_; }

protected:
    explicit SoundOutput(int rate) : rate_(rate) {}
    int rate_;
};

// Opens an SDL2 device at the given rate (SDL converts if the hardware runs at another),
// unless forceNull is set or no device opens; then a null output paced by the steady clock.
// The output runs until destroyed; render is never called after destruction returns.
std::unique_ptr<SoundOutput> OpenSoundOutput(int rate, bool forceNull, SoundOutput::RenderFn render);

// Starts and stops SDL's audio subsystem. A failed start is logged once; outputs are null then.
bool SoundOutput_InitDevices();
void SoundOutput_ShutdownDevices();
