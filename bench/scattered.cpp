// Per-frame CPU cost of Crosses at range 30: all 216,000 records generated, compared with
// the buffer's shadow copy and, when they changed, uploaded. "Steady" keeps the parameters
// constant (compare only); "Changing" keyframes the size so every frame uploads. The whole
// frame at 1280 x 720 (GPU work waited for) is measured too, for scale.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <pugixml.hpp>

#include <string>

#include "effects/crosses.h"
#include "effects/effect.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"
#include "system/globals.h"

#include "allocationcounter.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

bool Setup() {
    static bool ready = [] {
        if (!InitTestDevice(kWidth, kHeight, false)) return false;
        if (!PHYSFS_init(nullptr)) return false;
        gRandomSeed = 123456789;
        return PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
    }();
    return ready;
}

// A camera looking into a full grid of range 30 (sphere 40 keeps about half the cells).
bool LoadScene(Effects::EffectList& effects, bool changing) {
    const std::string size = changing ? "<param key=\"size\" type=\"double\"><key time=\"0\" value=\"0.2\" "
                                        "ease=\"Linear\"/><key time=\"1000000\" value=\"0.6\"/></param>"
                                      : "<param key=\"size\" type=\"double\" value=\"0.4\"/>";
    const std::string xml =
        "<demo><effect type=\"CameraScene\"><param key=\"distance\" type=\"double\" value=\"60\"/>"
        "<param key=\"fov\" type=\"double\" value=\"60\"/><effect type=\"Crosses\">"
        "<param key=\"texture\" type=\"string\" value=\"cross.png\"/><param key=\"range\" type=\"int\" value=\"30\"/>"
        "<param key=\"sphere\" type=\"double\" value=\"40\"/><param key=\"falloff\" type=\"double\" value=\"10\"/>" +
        size + "</effect></effect></demo>";
    pugi::xml_document document;
    document.load_string(xml.c_str());
    return Effects::Effect::LoadEffects(document.child("demo"), effects) &&
           Effects::Effect::InitEffects(effects, [](float) {});
}

void CrossesInstances(benchmark::State& state, bool changing) {
    Effects::EffectList effects;
    if (!Setup() || !LoadScene(effects, changing)) {
        state.SkipWithError("no device, data or effect");
        return;
    }
    auto* crosses = dynamic_cast<Effects::Crosses*>(effects[0]->GetChildren()[0].get());
    if (!crosses) {
        state.SkipWithError("no Crosses");
        return;
    }
    crosses->GenerateInstances(0.0);
    double time = 0.0;
    long long allocations = 0;
    for (auto _ : state) {
        const long long before = gAllocations.load(std::memory_order_relaxed);
        time += 1.0 / 30.0;
        crosses->GenerateInstances(changing ? time : 0.0);
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
    }
    state.counters["records"] = benchmark::Counter(double(crosses->GetInstanceCount()));
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / double(state.iterations()));
}

void BM_CrossesInstancesSteady(benchmark::State& state) { CrossesInstances(state, false); }
void BM_CrossesInstancesChanging(benchmark::State& state) { CrossesInstances(state, true); }

// A whole frame at 1280 x 720, GPU work included.
void BM_CrossesFrame(benchmark::State& state) {
    Effects::EffectList effects;
    if (!Setup() || !LoadScene(effects, false)) {
        state.SkipWithError("no device, data or effect");
        return;
    }
    DynamicTexturePair chain{float(kWidth), float(kHeight)};
    for (int i = 0; i < 2; ++i) effects[0]->Update(0.0, chain);  // programs link on first draw
    gContext->Finish();
    for (auto _ : state) {
        effects[0]->Update(0.0, chain);
        gContext->Finish();
    }
}

}  // namespace

BENCHMARK(BM_CrossesInstancesSteady)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrossesInstancesChanging)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrossesFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
