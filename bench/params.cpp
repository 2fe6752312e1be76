// Keyframe evaluation cost and allocations. Evaluation is a backward scan from the last
// keyframe, so a time early in a 100-keyframe list is the worst case and one in the last
// segment the best. Every global operator new is counted: evaluation must allocate nothing.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "system/params.h"

#include "allocationcounter.h"

namespace {

// A vec4 parameter with `count` keyframes one time unit apart, cycling through the eases.
Params MakeParams(int count, const char* type) {
    static const char* eases[] = {"Linear", "QuadraticInOut", "BounceOut", "QuadraticOutIn", "Snap"};
    std::string xml = std::string("<effect><param key=\"p\" type=\"") + type + "\">";
    for (int n = 0; n < count; ++n) {
        xml += "<key time=\"" + std::to_string(n) + "\" value=\"" + std::to_string(n) + "\" x=\"" +
               std::to_string(n) + "\" y=\"1\" z=\"2\" w=\"3\" ease=\"" + eases[n % 5] + "\"/>";
    }
    xml += "</param></effect>";
    pugi::xml_document document;
    document.load_string(xml.c_str());
    Params params;
    params.Load(document.first_child());
    return params;
}

// range(0): the keyframe segment the times fall in (0 = first, 98 = last).
void BM_EvaluateVec4(benchmark::State& state) {
    Params params = MakeParams(100, "vec4");
    const ParamVariant& variant = params.Get("p");
    double base = double(state.range(0));
    double t = base;
    long long before = gAllocations.load();
    for (auto _ : state) {
        vec4 v = variant.GetAsVec4(t);
        benchmark::DoNotOptimize(v);
        t += 0.001;
        if (t >= base + 1.0) t = base;
    }
    long long allocations = gAllocations.load() - before;
    state.counters["allocs_per_eval"] = double(allocations) / double(state.iterations());
}
BENCHMARK(BM_EvaluateVec4)->Arg(0)->Arg(50)->Arg(98);

void BM_EvaluateDouble(benchmark::State& state) {
    Params params = MakeParams(100, "double");
    const ParamVariant& variant = params.Get("p");
    double base = double(state.range(0));
    double t = base;
    long long before = gAllocations.load();
    for (auto _ : state) {
        double v = variant.GetAsDouble(t);
        benchmark::DoNotOptimize(v);
        t += 0.001;
        if (t >= base + 1.0) t = base;
    }
    state.counters["allocs_per_eval"] = double(gAllocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_EvaluateDouble)->Arg(0)->Arg(98);

// Lookup by name plus evaluation, as an effect does each frame.
void BM_GetAndEvaluate(benchmark::State& state) {
    Params params = MakeParams(100, "vec4");
    const std::string name = "p";
    long long before = gAllocations.load();
    for (auto _ : state) {
        vec4 v = params.Get(name).GetAsVec4(98.5);
        benchmark::DoNotOptimize(v);
    }
    state.counters["allocs_per_eval"] = double(gAllocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_GetAndEvaluate);

// Loading a large keyframe list stays linear in its length.
void BM_LoadKeyframes(benchmark::State& state) {
    std::string xml = "<effect><param key=\"p\" type=\"vec4\">";
    for (int n = 0; n < state.range(0); ++n) {
        xml += "<key time=\"" + std::to_string(n) + "\" x=\"1\" y=\"2\" z=\"3\" w=\"4\" ease=\"BounceOut\"/>";
    }
    xml += "</param></effect>";
    pugi::xml_document document;
    document.load_string(xml.c_str());
    long long before = gAllocations.load();
    for (auto _ : state) {
        Params params;
        benchmark::DoNotOptimize(params.Load(document.first_child()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // Nonzero here shows that the counter sees the allocations it is meant to see.
    state.counters["allocs_per_load"] = double(gAllocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_LoadKeyframes)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
