// The engine's own cost per frame: plays the bundled show at 342 x 192 through the recording
// clock, sampling a few hundred frames spread over the whole track, four times. The first
// pass warms up (programs compile, caches fill); the other three are measured. Per frame it
// reports the engine's CPU time (the main thread's CPU time in Draw and Present minus its CPU
// time inside GL calls; the fastest pass counts, since other work on a shared machine only
// ever adds to it), heap allocations, GL calls and draw calls, and each effect type's share
// (over all three passes).
// Usage: bench_frame [frames, default 300] [script, default demo.xml]
#include <execinfo.h>
#include <physfs.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "allocationcounter.h"
#include "benchdevice.h"
#include "effects/effect.h"
#include "effects/effectprofiler.h"
#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "gpu/glcallstats.h"
#include "main/run.h"
#include "support/gputest.h"
#include "system/audio.h"

namespace {

constexpr int kWidth = 342, kHeight = 192;

// The main thread's CPU time: the time it waits for the GPU or is descheduled is not the
// engine's cost.
double Now() { return gpu::ThreadCpuSeconds(); }

struct Totals {
    double engine = 0;  // seconds outside GL calls
    unsigned long long glCalls = 0;
    unsigned long long draws = 0;
    unsigned long long renders = 0;
};

// Sums each effect type's Render: its CPU time minus its GL time, its GL and draw calls.
class TypeProfiler : public Effects::EffectProfiler {
public:
    void Begin(const Effects::Effect&) override {
        start_ = Now();
        glSeconds_ = gpu::GetGlCallStats().seconds;
        glCalls_ = gpu::GetGlCallStats().calls;
        draws_ = gContext->GetStats().draws;
    }
    void End(const Effects::Effect& effect) override {
        // Types are entered during the warm-up, so the measured pass allocates nothing here.
        auto it = totals.find(effect.GetType());
        if (it == totals.end()) it = totals.emplace(effect.GetType(), Totals()).first;
        if (!measuring) return;
        Totals& t = it->second;
        const unsigned long long calls = gpu::GetGlCallStats().calls - glCalls_;
        t.engine += (Now() - start_) - (gpu::GetGlCallStats().seconds - glSeconds_) - double(calls) * clockCost;
        t.glCalls += calls;
        t.draws += gContext->GetStats().draws - draws_;
        ++t.renders;
    }
    bool measuring = false;
    double clockCost = 0;
    std::map<std::string, Totals, std::less<>> totals;

private:
    double start_ = 0, glSeconds_ = 0;
    unsigned long long glCalls_ = 0, draws_ = 0;
};

// With LUMIVANE_TRACE_ALLOCATIONS set, the call stacks of the first steady allocations.
int gTracesLeft = 0;
void TraceAllocation() {
    if (gTracesLeft <= 0) return;
    --gTracesLeft;
    gAllocationHook = nullptr;  // backtrace itself may allocate
    void* frames[16];
    const int depth = backtrace(frames, 16);
    static const char kLine[] = "--- allocation in a steady frame:\n";
    (void)!write(2, kLine, sizeof kLine - 1);
    backtrace_symbols_fd(frames, depth, 2);
    gAllocationHook = TraceAllocation;
}

// The cost of one clock reading. Each timed GL call puts about one reading's cost between
// its end and the engine's next work, so the engine's time is corrected by calls x this.
double ClockCost() {
    constexpr int kReadings = 200000;
    const double start = Now();
    for (int i = 0; i < kReadings; ++i) Now();
    return (Now() - start) / kReadings;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const std::string script = argc > 2 ? argv[2] : "demo.xml";

    if (!SetUpShowBench(argv[0], kWidth, kHeight)) return 1;
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, script);
    if (manager.GetEffects().empty()) {
        std::fprintf(stderr, "the script %s did not load\n", script.c_str());
        return 1;
    }

    // Recorded frame numbers spread evenly over the track (at least 100 s when it is unknown).
    const float* samples = nullptr;
    size_t trackFrames = 0;
    int rate = 0;
    double seconds = 100.0;
    if (Audio_GetTrack(&samples, &trackFrames, &rate) && rate > 0) seconds = double(trackFrames) / rate;
    const int stride = std::max(1, static_cast<int>(seconds * 30.0 / frames));
    auto frameTime = [&](int i) {
        return static_cast<double>(static_cast<float>(i * stride) * kRecordingFrameStep);
    };

    TypeProfiler profiler;
    const double clockCost = ClockCost();
    profiler.clockCost = clockCost;
    Effects::SetEffectProfiler(&profiler);
    gpu::EnableGlCallStats(true);
    for (int i = 0; i < frames; ++i) {
        gpu::ResetGlCallStats();
        manager.Draw(frameTime(i));
        gSwapChain->Present(0);
    }
    gContext->Finish();

    profiler.measuring = true;
    if (std::getenv("LUMIVANE_TRACE_ALLOCATIONS")) {
        gTracesLeft = 10;
        gAllocationHook = TraceAllocation;
    }
    constexpr int kPasses = 3;
    double engine = 1e30, engineAll = 0, gl = 0;
    unsigned long long glCalls = 0, draws = 0;
    long long allocations = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
        double passEngine = 0;
        for (int i = 0; i < frames; ++i) {
            gpu::ResetGlCallStats();
            const unsigned long long drawsBefore = gContext->GetStats().draws;
            const long long allocationsBefore = gAllocations.load();
            const double start = Now();
            manager.Draw(frameTime(i));
            gSwapChain->Present(0);
            const double cpu = Now() - start;
            allocations += gAllocations.load() - allocationsBefore;
            const gpu::GlCallStats& stats = gpu::GetGlCallStats();
            passEngine += cpu - stats.seconds - double(stats.calls) * clockCost;
            gl += stats.seconds / kPasses;
            glCalls += stats.calls;
            draws += gContext->GetStats().draws - drawsBefore;
        }
        engine = std::min(engine, passEngine);
        engineAll += passEngine;
    }
    glCalls /= kPasses;
    draws /= kPasses;
    gAllocationHook = nullptr;
    gContext->Finish();
    Effects::SetEffectProfiler(nullptr);
    gpu::EnableGlCallStats(false);
    manager.Shutdown();

    const double n = frames, all = n * kPasses;
    std::printf("\n%s: %d frames at %dx%d, every %d recorded frames, %d passes measured\n", script.c_str(), frames,
                kWidth, kHeight, stride, kPasses);
    std::printf("%-24s %10s %7s %10s %9s %9s\n", "effect", "cpu ms/fr", "share", "renders/fr", "gl/fr", "draws/fr");
    double inEffects = 0;
    std::multimap<double, std::string, std::greater<>> order;
    for (const auto& [type, t] : profiler.totals) {
        order.emplace(t.engine, type);
        inEffects += t.engine;
    }
    for (const auto& [cpu, type] : order) {
        const Totals& t = profiler.totals.find(type)->second;
        std::printf("%-24s %10.4f %6.1f%% %10.2f %9.1f %9.2f\n", type.c_str(), t.engine * 1e3 / all,
                    engineAll > 0 ? 100.0 * t.engine / engineAll : 0.0, t.renders / all, t.glCalls / all, t.draws / all);
    }
    std::printf("%-24s %10.4f %6.1f%%\n", "(manager, composite)", (engineAll - inEffects) * 1e3 / all,
                engineAll > 0 ? 100.0 * (engineAll - inEffects) / engineAll : 0.0);
    std::printf("time inside GL calls per frame: %.3f ms\n", gl * 1e3 / n);
    std::printf("GL calls per frame: %.1f, draw calls per frame: %.1f\n", glCalls / n, draws / n);
    std::printf("timing cost per GL call: %.3f us, subtracted from the engine (%.3f ms per frame)\n", clockCost * 1e6,
                clockCost * glCalls / n * 1e3);
    std::printf("goals: engine cpu <= 0.3 ms per frame, 0 allocations per steady frame\n");
    std::printf("engine cpu per frame, mean of the passes: %.3f ms\n", engineAll * 1e3 / all);
    std::printf("engine cpu per frame: %.3f ms\n", engine * 1e3 / n);
    // Whole numbers print as such; a fraction is never rounded down to a false 0.
    if (allocations % (frames * kPasses) == 0) {
        std::printf("allocations per steady frame: %lld\n", allocations / (frames * kPasses));
    } else {
        std::printf("allocations per steady frame: %.2f\n", double(allocations) / all);
    }
    return 0;
}
