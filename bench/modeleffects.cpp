// Per-frame cost of RepeatingModels with about a thousand copies per pass (three passes,
// so about 3,000 instances a frame) under a camera and lights: the whole frame with the
// GPU work waited for, the effect's own instance building, and the ring generator alone. Frames also report their heap
// allocations, which should be zero once the effect is warm.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "effects/effect.h"
#include "effects/repeatingmodels.h"
#include "effects/ringgenerator.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"

#include "allocationcounter.h"
#include "benchdevice.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

bool Setup() { return SetUpBenchDevice(kWidth, kHeight); }

std::string Number(const char* key, double value) {
    return std::string("<param key=\"") + key + "\" type=\"double\" value=\"" + std::to_string(value) + "\"/>";
}

// 100 rings of 10 copies of the bundled crystal, per pass, under a camera and a light.
bool LoadScene(Effects::EffectList& effects) {
    const std::string xml =
        "<demo><effect type=\"CameraScene\">" + Number("distance", 40) + Number("fov", 60) +
        "<effect type=\"LightScene\"><param key=\"L0Type\" type=\"string\" value=\"Directional\"/>"
        "<effect type=\"RepeatingModels\"><param key=\"obj\" type=\"string\" value=\"models/crystal.obj\"/>" +
        Number("rings", 100) + Number("seed", 3) + Number("cubesMin", 10) + Number("cubesMax", 10) +
        Number("radiusMax", 20) + "</effect></effect></effect></demo>";
    pugi::xml_document document;
    document.load_string(xml.c_str());
    return Effects::Effect::LoadEffects(document.child("demo"), effects) &&
           Effects::Effect::InitEffects(effects, [](float) {});
}

// A whole frame at 1280 x 720, GPU work included.
void BM_RepeatingModelsFrame(benchmark::State& state) {
    Effects::EffectList effects;
    if (!Setup() || !LoadScene(effects)) {
        state.SkipWithError("no device, data or effect");
        return;
    }
    DynamicTexturePair chain{float(kWidth), float(kHeight)};
    for (int i = 0; i < 3; ++i) effects[0]->Update(0.0, chain);  // programs link on first draw
    gContext->Finish();

    long long allocations = 0;
    const uint64_t drawsBefore = gContext->GetStats().draws;
    for (auto _ : state) {
        const long long before = gAllocations.load(std::memory_order_relaxed);
        effects[0]->Update(0.0, chain);
        gContext->Finish();
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
    }
    const double frames = double(state.iterations());
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / frames);
    state.counters["draws/frame"] = benchmark::Counter(double(gContext->GetStats().draws - drawsBefore) / frames);
}

// The effect's own CPU work per frame: the three passes of rings.
void BM_RepeatingModelsInstances(benchmark::State& state) {
    Effects::EffectList effects;
    if (!Setup() || !LoadScene(effects)) {
        state.SkipWithError("no device, data or effect");
        return;
    }
    auto* rings = dynamic_cast<Effects::RepeatingModels*>(effects[0]->GetChildren()[0]->GetChildren()[0].get());
    if (!rings) {
        state.SkipWithError("no RepeatingModels");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(rings->BuildInstances(0.0).data());
    state.counters["copies"] = benchmark::Counter(double(rings->GetInstances().size()));
}

// The generator alone: one pass of rings x 10 copies into a reused list.
void BM_GenerateRings(benchmark::State& state) {
    Effects::RingSettings settings;
    settings.rings = double(state.range(0));
    settings.seed = 3;
    settings.cubesMin = settings.cubesMax = 10;
    std::vector<glm::mat4> instances;
    for (auto _ : state) {
        instances.clear();
        Effects::GenerateRings(settings, instances, 1000000);
        benchmark::DoNotOptimize(instances.data());
    }
    state.counters["copies"] = benchmark::Counter(double(instances.size()));
}

}  // namespace

BENCHMARK(BM_RepeatingModelsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepeatingModelsInstances)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenerateRings)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
