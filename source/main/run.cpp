#include "main/run.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>

#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "main/framecapture.h"
#include "main/loadingscreen.h"
#include "main/overlay.h"
#include "main/windowevents.h"
#include "system/audio.h"
#include "system/globals.h"
#include "system/log.h"
#include "system/videowriter.h"

namespace {

constexpr unsigned kRecordingFramesPerSecond = 30;

volatile sig_atomic_t gQuitSignal = 0;

void OnQuitSignal(int) { gQuitSignal = 1; }

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

// Muxes the show's music into recordings whose container carries sound.
void GiveMusicTo(VideoWriter& writer, const std::string& fileName) {
    if (!EndsWithNoCase(fileName, ".mp4")) return;
    const float* samples = nullptr;
    size_t frames = 0;
    int rate = 0;
    if (Audio_GetTrack(&samples, &frames, &rate)) writer.SetAudioTrack(samples, frames, rate);
}

// Takes the window's pending events, and turns a quit signal into gQuit.
void PumpEvents(bool hasWindow) {
    if (hasWindow) PumpWindowEvents();
    if (gQuitSignal) gQuit = true;
}

// The progress callback of the first load: keeps the window answering (Escape and closing
// it quit) and lets a quit signal through, which stops the load, then draws the screen.
ProgressCallback LoadingProgress(LoadingScreen* screen, bool hasWindow) {
    using Clock = std::chrono::steady_clock;
    return [screen, hasWindow, nextPump = Clock::time_point{}](float p) mutable {
        if (hasWindow && Clock::now() >= nextPump) {
            PumpWindowEvents();
            nextPump = Clock::now() + std::chrono::milliseconds(10);
        }
        if (gQuitSignal) gQuit = true;
        if (!gQuit) screen->Draw(p);
    };
}

// What the overlay shows about the show's clock.
OverlayShowState OverlayState(const Effects::EffectsManager& manager) {
    OverlayShowState state;
    state.musicSeconds = manager.GetLastTime();
    state.scriptTime = manager.ScriptTime(state.musicSeconds);
    const float* samples = nullptr;
    size_t frames = 0;
    int rate = 0;
    if (Audio_GetTrack(&samples, &frames, &rate) && rate > 0) state.trackSeconds = double(frames) / rate;
    return state;
}

}  // namespace

void InstallQuitSignalHandlers() {
    gQuitSignal = 0;
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool QuitSignalReceived() { return gQuitSignal != 0; }

bool Run(const std::string& demoFile, bool transport, bool silent, bool video, const RunOptions& options) {
    LOG("Starting main loop");
    // Installed after SDL's own handlers (set up with its event system), so they win.
    InstallQuitSignalHandlers();
    if (options.headless) Audio_SetNullOutput(true);
    const bool hasWindow = gWindow != nullptr && !options.headless;

    std::unique_ptr<VideoWriter> writer;
    if (video) {
        LOG("Recording video");
        writer = std::make_unique<VideoWriter>(static_cast<unsigned>(gScreenWidth), static_cast<unsigned>(gScreenHeight),
                                               kRecordingFramesPerSecond, options.videoFile);
    }
    const bool opened = writer && writer->IsReady();

    auto loadingScreen = std::make_unique<LoadingScreen>();
    auto progress = std::make_unique<ProgressCallback>(LoadingProgress(loadingScreen.get(), hasWindow));

    Effects::EffectsManager manager;
    manager.Init(transport && !video, silent || video, *progress, demoFile);

    const unsigned frameLimit = options.frames > 0 ? static_cast<unsigned>(options.frames)
                                                   : (video ? kRecordingFrameLimit : 0u);
    std::unique_ptr<FrameCapture> capture;
    if (writer) {
        GiveMusicTo(*writer, options.videoFile);
        writer->SetExpectedFrames(frameLimit);
        capture = std::make_unique<FrameCapture>(writer.get());
    }

    std::unique_ptr<Overlay> overlay;
    unsigned frame = 0;
    bool firstFrame = true;
    while (!gQuit) {
        PumpEvents(hasWindow);
        if (!video) {
            // The overlay exists only in live mode: recordings never contain it.
            if (gOverlayVisible && !overlay) overlay = std::make_unique<Overlay>();
            const bool showOverlay = gOverlayVisible && overlay;
            if (showOverlay) overlay->BeginFrame();
            manager.Tick();
            if (showOverlay) overlay->Draw(OverlayState(manager));
            if (gSwapChain) gSwapChain->Present(1);
            if (showOverlay) overlay->Restore();
        } else {
            const float t = static_cast<float>(frame) * kRecordingFrameStep;
            manager.Draw(static_cast<double>(t));
            // Recording is not paced: it runs as fast as rendering and encoding allow.
            if (gSwapChain) gSwapChain->Present(0);
            capture->Capture(frame);
            if (writer->HasFailed()) {
                LOG("Recording stopped: frames could not be written to '%s'", options.videoFile.c_str());
                break;
            }
        }
        if (firstFrame) LOG("First frame drawn");
        firstFrame = false;
        ++frame;
        if (frameLimit > 0 && frame >= frameLimit) break;
    }
    if (capture) capture->Drain();
    if (QuitSignalReceived()) LOG("Quit signal received");
    LOG("Exited main loop");

    overlay.reset();
    manager.Shutdown();
    progress.reset();
    loadingScreen.reset();
    capture.reset();
    if (!writer) return true;
    writer->Finish();
    const bool recorded = opened && !writer->HasFailed();
    writer.reset();
    return recorded;
}
