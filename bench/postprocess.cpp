// Per-frame cost of Bloom and Blur (kernel 51) on the device at two render sizes, with the
// GPU work waited for (Finish) so that the time is the frame's whole cost; and the CPU
// cost of building blur kernels. Frames also report their heap allocations, which should
// be zero once the effect is warm.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <pugixml.hpp>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "effects/blurkernel.h"
#include "effects/effect.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"

#include "allocationcounter.h"
#include "benchdevice.h"

namespace {

constexpr int kLargeWidth = 1280;
constexpr int kLargeHeight = 720;

bool Setup() { return SetUpBenchDevice(kLargeWidth, kLargeHeight); }

// Renders one effect of the given type at width x height: the render size is set before the
// effect and its chain are made, and the viewport follows it.
void RunEffect(benchmark::State& state, const char* type, const char* params) {
    if (!Setup()) {
        state.SkipWithError("no device or data");
        return;
    }
    const int width = int(state.range(0)), height = int(state.range(1));
    gScreenWidth = width;
    gScreenHeight = height;
    gpu::Viewport viewport;
    viewport.Width = float(width);
    viewport.Height = float(height);
    gContext->RSSetViewports(1, &viewport);

    DynamicTexturePair chain{float(width), float(height)};
    const float grey[4] = {0.5f, 0.6f, 0.9f, 1.0f};
    gContext->ClearRenderTargetView(chain.GetCurrent().GetTarget(), grey);

    pugi::xml_document document;
    const std::string xml = std::string("<demo><effect type=\"") + type + "\">" + params + "</effect></demo>";
    document.load_string(xml.c_str());
    Effects::EffectList effects;
    if (!Effects::Effect::LoadEffects(document.child("demo"), effects) ||
        !Effects::Effect::InitEffects(effects, [](float) {})) {
        state.SkipWithError("effect failed to load");
        return;
    }
    // Warm up: programs are linked on their first draw.
    for (int i = 0; i < 3; ++i) effects[0]->Update(0.0, chain);
    gContext->Finish();

    long long allocations = 0;
    for (auto _ : state) {
        const long long before = gAllocations.load(std::memory_order_relaxed);
        effects[0]->Update(0.0, chain);
        gContext->Finish();
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
    }
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / double(state.iterations()));
}

void BM_Bloom(benchmark::State& state) {
    RunEffect(state, "Bloom", "<param key=\"kernelSize\" type=\"int\" value=\"51\"/>");
}
void BM_Blur(benchmark::State& state) {
    RunEffect(state, "Blur",
              "<param key=\"kernelSize\" type=\"int\" value=\"51\"/><param key=\"strength\" type=\"double\" value=\"1\"/>");
}

void BM_BuildBlurKernel(benchmark::State& state) {
    const int size = int(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(Effects::BuildBlurKernel(size));
}

}  // namespace

BENCHMARK(BM_Bloom)->Args({342, 192})->Args({kLargeWidth, kLargeHeight})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Blur)->Args({342, 192})->Args({kLargeWidth, kLargeHeight})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildBlurKernel)->Arg(3)->Arg(11)->Arg(51)->Arg(203)->Arg(1023)->Arg(4095)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
