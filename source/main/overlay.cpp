#include "main/overlay.h"

#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "effects/effectprofiler.h"
#include "graphics/devicestate.h"
#include "graphics/shadererrors.h"
#include "main/effecttimers.h"
#include "main/overlayrenderer.h"
#include "system/globals.h"

bool gOverlayVisible = false;

namespace {

constexpr int kErrorLines = 4;  // per failed shader

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::string FirstLines(const std::string& text, int count) {
    std::istringstream in(text);
    std::string line, result;
    for (int i = 0; i < count && std::getline(in, line); ++i) result += line + '\n';
    return result;
}

void FormatTime(char* out, size_t size, double seconds) {
    const int whole = static_cast<int>(std::max(0.0, seconds));
    std::snprintf(out, size, "%d:%02d.%d", whole / 60, whole % 60, static_cast<int>(std::fmod(std::max(0.0, seconds), 1.0) * 10));
}

}  // namespace

Overlay::Overlay() : timers_(std::make_unique<EffectTimers>()) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    imgui_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(imgui_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing written next to the show
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().WindowRounding = 4.0f;
    renderer_ = std::make_unique<OverlayRenderer>();
    ImGui::SetCurrentContext(previous);
}

Overlay::~Overlay() {
    if (Effects::GetEffectProfiler() == timers_.get()) Effects::SetEffectProfiler(nullptr);
    ImGui::DestroyContext(imgui_);
}

void Overlay::BeginFrame() {
    const double now = Now();
    if (lastFrameStart_ >= 0.0) {
        frameMs_[frameCursor_] = static_cast<float>((now - lastFrameStart_) * 1000.0);
        frameCursor_ = (frameCursor_ + 1) % kFrameHistory;
    }
    lastFrameStart_ = now;
    timers_->BeginFrame();
    Effects::SetEffectProfiler(timers_.get());
}

bool Overlay::SaveBackBuffer() {
    gpu::Texture2DPtr back = gSwapChain ? gSwapChain->GetBuffer() : nullptr;
    if (!back) return false;
    const gpu::Texture2DDesc& want = back->GetDesc();
    if (!clean_ || clean_->GetDesc().Width != want.Width || clean_->GetDesc().Height != want.Height ||
        clean_->GetDesc().SampleDesc.Count != want.SampleDesc.Count) {
        gpu::Texture2DDesc desc = want;
        desc.BindFlags = gpu::BIND_RENDER_TARGET;
        clean_ = gDevice->CreateTexture2D(desc, nullptr);
        if (!clean_) return false;
    }
    gContext->CopyResource(clean_, back);
    return true;
}

void Overlay::Draw(const OverlayShowState& show) {
    Effects::SetEffectProfiler(nullptr);
    saved_ = SaveBackBuffer();
    if (!saved_ || !renderer_->IsReady()) return;  // never draw what cannot be taken back

    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(imgui_);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(gOutputWidth), static_cast<float>(gOutputHeight));
    io.DeltaTime = 1.0f / 60.0f;
    ImGui::NewFrame();
    Layout(show);
    ImGui::Render();
    renderer_->Render(*ImGui::GetDrawData());
    ImGui::SetCurrentContext(previous);
}

void Overlay::Layout(const OverlayShowState& show) {
    ImGui::SetNextWindowPos(ImVec2(8, 8));
    ImGui::SetNextWindowBgAlpha(0.75f);
    ImGui::Begin("Lumivane", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoInputs);

    // Show time, position in the track, bar and beat (four beats to the bar).
    char now[32], total[32];
    FormatTime(now, sizeof now, show.musicSeconds);
    FormatTime(total, sizeof total, show.trackSeconds);
    const double beats = std::max(0.0, show.scriptTime);
    ImGui::Text("time %s / %s   bar %d  beat %d", now, total, static_cast<int>(beats / 4.0) + 1,
                static_cast<int>(std::fmod(beats, 4.0)) + 1);
    const float fraction = show.trackSeconds > 0 ? static_cast<float>(show.musicSeconds / show.trackSeconds) : 0.0f;
    ImGui::ProgressBar(std::clamp(fraction, 0.0f, 1.0f), ImVec2(320, 6), "");

    // Frame times, oldest on the left.
    float worst = 0.0f, sum = 0.0f;
    for (float ms : frameMs_) worst = std::max(worst, ms), sum += ms;
    char caption[64];
    std::snprintf(caption, sizeof caption, "frame %.1f ms avg, %.1f max", sum / kFrameHistory, worst);
    ImGui::PlotLines("##frames", frameMs_.data(), kFrameHistory, frameCursor_, caption, 0.0f,
                     std::max(33.4f, worst * 1.1f), ImVec2(320, 60));

    // GPU time by effect type, largest first.
    std::vector<std::pair<double, const std::string*>> order;
    for (const auto& [type, ms] : timers_->Milliseconds()) order.emplace_back(ms, &type);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (!order.empty()) ImGui::TextUnformatted("GPU ms per frame");
    for (const auto& [ms, type] : order) ImGui::Text("  %-24s %7.2f", type->c_str(), ms);

    for (const ShaderError& error : RecentShaderErrors()) {
        ImGui::Separator();
        ImGui::TextColored(ImVec4(1.0f, 0.45f, 0.4f, 1.0f), "%s: '%s' does not compile", error.file.c_str(),
                           error.entry.c_str());
        ImGui::TextUnformatted(FirstLines(error.message, kErrorLines).c_str());
    }
    ImGui::End();
}

void Overlay::Restore() {
    if (!saved_) return;
    saved_ = false;
    if (gpu::Texture2DPtr back = gSwapChain ? gSwapChain->GetBuffer() : nullptr) gContext->CopyResource(back, clean_);
}
