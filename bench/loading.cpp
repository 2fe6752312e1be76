// Loading time of scripts of 100, 1000 and 10 000 simple effects (CLS), with the loading
// screen drawing the progress as the player does. The time should grow linearly with the
// number of effects (100 000 is there to show the slope); "per effect" is wall time / effects.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "effects/effectsmanager.h"
#include "main/loadingscreen.h"
#include "support/gputest.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

const std::filesystem::path& ScriptFolder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("lumivane_bench_loading_" + std::to_string(getpid()));
    return folder;
}

bool Setup() {
    static bool ready = [] {
        if (!InitTestDevice(kWidth, kHeight, false)) return false;
        gOutputWidth = kWidth;
        gOutputHeight = kHeight;
        Audio_SetNullOutput(true);
        std::filesystem::create_directories(ScriptFolder());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScriptFolder(), ignored);
        });
        if (!PHYSFS_init(nullptr)) return false;
        return PHYSFS_mount(ScriptFolder().c_str(), nullptr, 0) != 0 &&
               PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
    }();
    return ready;
}

// A script of `count` one-second CLS effects one after another.
std::string WriteScript(int count) {
    const std::string name = "loading" + std::to_string(count) + ".xml";
    std::ofstream out(ScriptFolder() / name, std::ios::binary | std::ios::trunc);
    out << "<demo>\n";
    for (int i = 0; i < count; ++i)
        out << "  <effect type=\"CLS\" start=\"" << i << "\" length=\"1\"><param key=\"colour\" type=\"vec4\" x=\"0.1\" "
            << "y=\"0.2\" z=\"0.3\" w=\"1\"/></effect>\n";
    out << "</demo>\n";
    return name;
}

// Loads the script of state.range(0) effects behind a loading screen that redraws at most
// once per `interval` seconds (0: at every new progress value).
void LoadScript(benchmark::State& state, double interval) {
    if (!Setup()) {
        state.SkipWithError("no device or data");
        return;
    }
    const int count = int(state.range(0));
    const std::string script = WriteScript(count);
    int frames = 0;
    for (auto _ : state) {
        LoadingScreen screen(interval);
        Effects::EffectsManager manager;
        manager.Init(false, true, [&screen](float p) { screen.Draw(p); }, script);
        if (int(manager.GetEffects().size()) != count) state.SkipWithError("the script did not load");
        frames = screen.FramesDrawn();
        manager.Shutdown();
    }
    state.counters["effects"] = count;
    state.counters["loading frames"] = frames;
    state.counters["per effect"] =
        benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadScript(benchmark::State& state) { LoadScript(state, LoadingScreen::kRefreshInterval); }
BENCHMARK(BM_LoadScript)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// For comparison: a frame for every progress step, as a screen without the refresh limit draws.
void BM_LoadScriptDrawingEveryStep(benchmark::State& state) { LoadScript(state, 0.0); }
BENCHMARK(BM_LoadScriptDrawingEveryStep)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
