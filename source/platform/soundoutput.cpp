#include "platform/soundoutput.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "system/log.h"

namespace {

bool gDevicesReady = false;
bool gDeviceFailureLogged = false;

// SDL's "dummy" and "disk" drivers are not paced accurately enough to serve as a clock.
bool IsUsableDriver(const char* name) {
    return name && std::strcmp(name, "dummy") != 0 && std::strcmp(name, "disk") != 0;
}

class SdlSoundOutput : public SoundOutput {
public:
    SdlSoundOutput(int rate, RenderFn render) : SoundOutput(rate), render_(std::move(render)) {}
    ~SdlSoundOutput() override {
        if (device_) SDL_CloseAudioDevice(device_);  // waits for a running callback
    }

    bool Open() {
        SDL_AudioSpec want{};
        want.freq = rate_;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        // About 20 ms per callback, a power of two as some drivers require.
        int samples = 256;
        while (samples < rate_ / 50) samples *= 2;
        want.samples = Uint16(samples);
        want.callback = &SdlSoundOutput::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!device_) return false;
        latency_ = have.samples;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }
    int LatencyFrames() const override { return latency_; }
    bool IsNull() const override { return false; }

private:
    static void Callback(void* user, Uint8* stream, int bytes) {
        auto* self = static_cast<SdlSoundOutput*>(user);
        self->render_(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)), Clock::now());
    }

    RenderFn render_;
    SDL_AudioDeviceID device_ = 0;
    int latency_ = 0;
};

// Consumes one block every blockFrames / rate seconds on fixed deadlines, so its pace is
// that of the steady clock however late a wake-up comes. Like a device with a buffer it
// renders each block a little before it is due and stamps it with its due time, so a
// wake-up that comes late by less than that lead leaves the clock untouched.
class NullSoundOutput : public SoundOutput {
public:
    NullSoundOutput(int rate, RenderFn render)
        : SoundOutput(rate), render_(std::move(render)), blockFrames_(std::max(1, rate / 100)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~NullSoundOutput() override {
        stop_ = true;
        thread_.join();
    }
    int LatencyFrames() const override { return 0; }
    bool IsNull() const override { return true; }

private:
    void Run() {
        std::vector<float> block(size_t(blockFrames_) * 2);
        const Clock::time_point start = Clock::now();
        long long consumed = 0;
        while (!stop_) {
            // Deadlines derive from the frame count, so rounding never accumulates.
            auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::nanoseconds(consumed * 1000000000LL / rate_));
            std::this_thread::sleep_until(due - kLead);
            if (stop_) break;
            render_(block.data(), blockFrames_, due);
            consumed += blockFrames_;
        }
    }

    static constexpr std::chrono::milliseconds kLead{20};

    RenderFn render_;
    int blockFrames_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

bool SoundOutput_InitDevices() {
    if (gDevicesReady) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        LOG("Failed to start the sound system: %s", SDL_GetError());
        return false;
    }
    gDevicesReady = true;
    gDeviceFailureLogged = false;
    return true;
}

void SoundOutput_ShutdownDevices() {
    if (!gDevicesReady) return;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gDevicesReady = false;
}

std::unique_ptr<SoundOutput> OpenSoundOutput(int rate, bool forceNull, SoundOutput::RenderFn render) {
    if (!forceNull && gDevicesReady) {
        const char* driver = SDL_GetCurrentAudioDriver();
        if (IsUsableDriver(driver)) {
            auto device = std::make_unique<SdlSoundOutput>(rate, render);
            if (device->Open()) return device;
            // Logged once per start: a machine without a sound card would repeat it at every load.
            if (!gDeviceFailureLogged) LOG("Failed to open audio device, playing silently: %s", SDL_GetError());
        } else if (!gDeviceFailureLogged) {
            LOG("Audio driver '%s' cannot keep time, playing silently", driver ? driver : "none");
        }
        gDeviceFailureLogged = true;
    }
    return std::make_unique<NullSoundOutput>(rate, std::move(render));
}
