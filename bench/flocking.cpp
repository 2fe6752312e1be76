// The flocks' precompute: BallSwarm's all-pairs steps on 1 and 2 threads, and Strands' depth
// sweep against a scan of all pairs.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <glm/geometric.hpp>

#include "effects/flocksteps.h"

namespace {

using namespace Effects;

constexpr int kFrames = 30;
constexpr int kUpdatesPerFrame = 10;

// BallSwarm's whole simulation: 1000 agents, 30 frames of 10 steps.
void BM_SwarmPrecompute(benchmark::State& state) {
    omp_set_num_threads(int(state.range(0)));
    for (auto _ : state) {
        uint32_t seed = 123456789;
        std::vector<SwarmAgent> current = CreateSwarm(seed, 1000, 250.0f), next;
        const FlockRules rules;
        for (int step = 0; step < kFrames * kUpdatesPerFrame; ++step) {
            SwarmStep(current, next, rules);
            current.swap(next);
        }
        benchmark::DoNotOptimize(current.data());
    }
}
BENCHMARK(BM_SwarmPrecompute)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<StrandAgent> Tunnel(int count) {
    uint32_t seed = 123456789;
    return CreateStrands(seed, count, 250.0f, 250.0f, 1000.0f);
}

// Strands' whole simulation: 10 000 agents, 30 frames of 10 steps (sort and sweep).
void BM_StrandsPrecompute(benchmark::State& state) {
    omp_set_num_threads(int(state.range(0)));
    for (auto _ : state) {
        std::vector<StrandAgent> current = Tunnel(10000), next;
        const FlockRules rules;
        for (int step = 0; step < kFrames * kUpdatesPerFrame; ++step) {
            SortByDepth(current);
            StrandsStep(current, next, rules);
            current.swap(next);
        }
        benchmark::DoNotOptimize(current.data());
    }
}
BENCHMARK(BM_StrandsPrecompute)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// One Strands step of 10 000 agents: the depth sweep...
void BM_StrandsStepSweep(benchmark::State& state) {
    omp_set_num_threads(1);
    std::vector<StrandAgent> agents = Tunnel(10000), next;
    SortByDepth(agents);
    const FlockRules rules;
    for (auto _ : state) {
        StrandsStep(agents, next, rules);
        benchmark::DoNotOptimize(next.data());
    }
}
BENCHMARK(BM_StrandsStepSweep)->Unit(benchmark::kMillisecond);

// ...and the same neighbour tests over all pairs, as a step without the sweep would make.
void BM_StrandsStepAllPairs(benchmark::State& state) {
    std::vector<StrandAgent> agents = Tunnel(10000);
    const FlockRules rules;
    for (auto _ : state) {
        int neighbours = 0;
        for (const StrandAgent& a : agents) {
            for (const StrandAgent& b : agents) {
                if (&a == &b) continue;
                const float d = glm::length(a.position - b.position);
                neighbours += (d < rules.alignmentRange) + (d < rules.cohesionRange) + (d < rules.separationRange);
            }
        }
        benchmark::DoNotOptimize(neighbours);
    }
}
BENCHMARK(BM_StrandsStepAllPairs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
