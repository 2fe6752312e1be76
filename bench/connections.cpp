// Per-frame cost of Connections with a full people buffer (10 hubs x 49 + 10 scattered =
// 500 people) and 10 visible tubes under a circling camera and a light scene: the frame's
// CPU work (parameters, tube draws and head lights, launcher draw, distance sort and people
// upload, GPU submission) with and without waiting for the GPU, and the distance sort of
// 500 records alone. Frames also report their heap allocations, which should be zero.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effects/connections.h"
#include "effects/effect.h"
#include "effects/personrecord.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"
#include "system/random.h"

#include "allocationcounter.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// The bundled data and, for the tubes, the plain filament shader of the tests.
bool Setup() {
    static bool ready = [] {
        if (!InitTestDevice(kWidth, kHeight, false)) return false;
        const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "lumivane_bench_connections";
        std::filesystem::create_directories(scratch);
        std::filesystem::copy_file(LUMIVANE_SOURCE_DIR "/tests/data/effects/connections_filament.fx",
                                   scratch / "filament.fx", std::filesystem::copy_options::overwrite_existing);
        if (!PHYSFS_init(nullptr)) return false;
        return PHYSFS_mount(scratch.c_str(), nullptr, 1) != 0 &&
               PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
    }();
    return ready;
}

std::string Param(const char* key, const char* type, const std::string& value) {
    return std::string("<param key=\"") + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}
std::string Number(const char* key, double value) { return Param(key, "double", std::to_string(value)); }

bool LoadScene(Effects::EffectList& effects) {
    const std::string xml =
        "<demo><effect type=\"CameraScene\">" + Number("distance", 250) + Number("fov", 60) +
        "<param key=\"rotation\" type=\"vec3\"><key time=\"0\" x=\"0\" y=\"-30\" z=\"0\" ease=\"Linear\"/>"
        "<key time=\"100\" x=\"360\" y=\"-30\" z=\"0\"/></param>"
        "<effect type=\"LightScene\">" + Param("L0Type", "string", "Directional") +
        "<effect type=\"Connections\">" + Param("launcherObj", "string", "models/launcher.obj") +
        Param("texture", "string", "models/person.png") + Number("launcherScale", 8) + Number("peoplePerHub", 49) +
        Number("randoPeopleCount", 10) + Number("peopleStartTime", 0) + Number("peopleStartTimeStep", 0) +
        Number("tubesStartTime", 0) + Number("tubesStartTimeStep", 0) + "</effect></effect></effect></demo>";
    pugi::xml_document document;
    document.load_string(xml.c_str());
    return Effects::Effect::LoadEffects(document.child("demo"), effects) &&
           Effects::Effect::InitEffects(effects, [](float) {});
}

// Frames at times 2..12, where all ten tubes are on their way and everybody stands.
void RunFrames(benchmark::State& state, bool waitForGpu) {
    Effects::EffectList effects;
    if (!Setup() || !LoadScene(effects)) {
        state.SkipWithError("no device, data or effect");
        return;
    }
    DynamicTexturePair chain{float(kWidth), float(kHeight)};
    for (int i = 0; i < 3; ++i) effects[0]->Update(2.0, chain);  // programs link on first draw
    gContext->Finish();

    long long allocations = 0;
    const uint64_t drawsBefore = gContext->GetStats().draws;
    int frame = 0;
    for (auto _ : state) {
        const double time = 2.0 + (frame++ % 300) / 30.0;
        const long long before = gAllocations.load(std::memory_order_relaxed);
        effects[0]->Update(time, chain);
        if (waitForGpu) gContext->Finish();
        allocations += gAllocations.load(std::memory_order_relaxed) - before;
    }
    gContext->Finish();
    const double frames = double(state.iterations());
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / frames);
    state.counters["draws/frame"] = benchmark::Counter(double(gContext->GetStats().draws - drawsBefore) / frames);
}

void BM_ConnectionsFrameCpu(benchmark::State& state) { RunFrames(state, false); }
void BM_ConnectionsFrameWithGpu(benchmark::State& state) { RunFrames(state, true); }

// The far-to-near sort of 500 people from an eye that moves a little every frame.
void BM_SortPeople(benchmark::State& state) {
    std::vector<Effects::PersonRecord> people;
    uint32_t seed = 7;
    for (uint32_t i = 0; i < 500; ++i)
        people.push_back(Effects::MakePerson(RandomRange(seed, -100, 100), RandomRange(seed, -100, 100), 0, i, seed));
    float angle = 0.0f;
    for (auto _ : state) {
        angle += 0.01f;
        Effects::SortPeopleFarthestFirst(people, glm::vec3(250.0f * std::sin(angle), 120.0f, 250.0f * std::cos(angle)));
        benchmark::DoNotOptimize(people.data());
    }
}

}  // namespace

BENCHMARK(BM_ConnectionsFrameCpu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConnectionsFrameWithGpu)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SortPeople)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
