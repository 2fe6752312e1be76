// City with the bundled kits: building 12 blocks of 20 x 10 cells (the random packing of
// all placement attempts), and drawing them each frame: the effect's own CPU cost (GPU work
// waited for outside the timing), a whole 1280 x 720 frame with the GPU work, and the draw
// calls, instances and heap allocations per frame.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <pugixml.hpp>

#include <string>

#include "effects/city.h"
#include "effects/cityblock.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"

#include "allocationcounter.h"
#include "benchdevice.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

bool Setup() { return SetUpBenchDevice(kWidth, kHeight); }

// The street seen from above its road, under a camera and a light, at the default size.
struct Scene {
    Effects::EffectList effects;
    Effects::City* city = nullptr;

    bool Load() {
        const char* xml =
            "<demo><effect type=\"CameraScene\">"
            "<param key=\"distance\" type=\"double\" value=\"12\"/><param key=\"fov\" type=\"double\" value=\"62\"/>"
            "<param key=\"rotation\" type=\"vec3\" x=\"6\" y=\"-10\" z=\"0\"/>"
            "<param key=\"anchor\" type=\"vec3\" x=\"2\" y=\"14\" z=\"0\"/>"
            "<effect type=\"LightScene\"><param key=\"L0Type\" type=\"string\" value=\"Directional\"/>"
            "<effect type=\"City\"><param key=\"scroll\" type=\"double\" value=\"37\"/></effect>"
            "</effect></effect></demo>";
        pugi::xml_document document;
        document.load_string(xml);
        if (!Effects::Effect::LoadEffects(document.child("demo"), effects) ||
            !Effects::Effect::InitEffects(effects, [](float) {}))
            return false;
        city = dynamic_cast<Effects::City*>(effects[0]->GetChildren()[0]->GetChildren()[0].get());
        return city && !city->GetBlocks().empty();
    }
    size_t Instances() const {
        size_t count = 0;
        for (const auto& block : city->GetBlocks())
            for (const auto& [model, matrices] : block->GetInstances()) count += matrices.size();
        return count;
    }
};

// Generating 12 blocks of 20 x 10 cells from the loaded kits.
void BM_CityBuildBlocks(benchmark::State& state) {
    Scene scene;
    if (!Setup() || !scene.Load()) {
        state.SkipWithError("no device, data or city");
        return;
    }
    size_t instances = 0;
    for (auto _ : state) {
        uint32_t random = 0;
        instances = 0;
        for (int k = 0; k < 12; ++k) {
            Effects::City::Block block(20, 10);
            block.Generate(random, scene.city->GetBuildingTypes(), scene.city->GetRoadModel());
            for (const auto& [model, matrices] : block.GetInstances()) instances += matrices.size();
        }
        benchmark::DoNotOptimize(instances);
    }
    state.counters["instances"] = benchmark::Counter(double(instances));
}

// Frames of the whole scene; `finish` waits for the GPU inside the timing.
void RunFrames(benchmark::State& state, bool finish) {
    Scene scene;
    if (!Setup() || !scene.Load()) {
        state.SkipWithError("no device, data or city");
        return;
    }
    DynamicTexturePair chain{float(kWidth), float(kHeight)};
    for (int i = 0; i < 3; ++i) scene.effects[0]->Update(0.0, chain);  // programs link on first draw
    gContext->Finish();

    long long allocations = 0;
    const uint64_t drawsBefore = gContext->GetStats().draws;
    for (auto _ : state) {
        const long long before = gAllocations.load(std::memory_order_relaxed);
        scene.effects[0]->Update(0.0, chain);
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
        if (finish) {
            gContext->Finish();
        } else {
            state.PauseTiming();
            gContext->Finish();
            state.ResumeTiming();
        }
    }
    const double frames = double(state.iterations());
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / frames);
    state.counters["draws/frame"] = benchmark::Counter(double(gContext->GetStats().draws - drawsBefore) / frames);
    state.counters["instances/frame"] = benchmark::Counter(double(scene.Instances()));
}

void BM_CityFrameCpu(benchmark::State& state) { RunFrames(state, false); }
void BM_CityFrame(benchmark::State& state) { RunFrames(state, true); }

}  // namespace

BENCHMARK(BM_CityBuildBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CityFrameCpu)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CityFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
