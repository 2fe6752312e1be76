#pragma once
// The on-screen overlay of a live show, toggled with F1: a graph of frame times, each
// effect type's GPU time, the show time with a bar across the track and the bar and beat
// from the script's bpm, and the first lines of every shader that failed to compile.
// It is drawn over the finished back buffer just before presenting, and the clean picture
// is put back right after, so screenshots and recordings never contain it.
#include <array>
#include <memory>

#include "gpu/resources.h"

struct ImGuiContext;
class EffectTimers;
class OverlayRenderer;

// Whether the overlay shows; F1 flips it, "-overlay" starts with it on.
extern bool gOverlayVisible;

// What the overlay reports about the show.
struct OverlayShowState {
    double musicSeconds = 0.0;
    double trackSeconds = 0.0;  // 0 when unknown
    double scriptTime = 0.0;    // beats: bpm / 60 * t + offset
};

class Overlay {
public:
    Overlay();
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    // Before the show's frame: notes the frame time and starts the effect timers.
    void BeginFrame();
    // After the show's frame: stops the timers, keeps a clean copy of the back buffer and
    // draws the overlay onto it.
    void Draw(const OverlayShowState& show);
    // After presenting: the back buffer holds the show alone again.
    void Restore();

private:
    void Layout(const OverlayShowState& show);
    bool SaveBackBuffer();

    ImGuiContext* imgui_ = nullptr;
    std::unique_ptr<OverlayRenderer> renderer_;
    std::unique_ptr<EffectTimers> timers_;
    gpu::Texture2DPtr clean_;
    bool saved_ = false;
    static constexpr int kFrameHistory = 120;
    std::array<float, kFrameHistory> frameMs_{};
    int frameCursor_ = 0;
    double lastFrameStart_ = -1.0;
};
