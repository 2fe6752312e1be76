// Cost of translating one HLSL entry point: cold (a distinct source every time, so the cache
// never hits) and warm (served from the translation cache).
#include <benchmark/benchmark.h>

#include <string>

#include "hlsl/hlslcache.h"
#include "hlsl/hlslcompiler.h"

namespace {

const char* kShader = R"(
cbuffer Constants : register(b0) { float4x4 world; float amount; float3 tint; float2 offsets[4]; };
Texture2D image : register(t0);
SamplerState linearClamp : register(s0);
struct VSOut { float4 position : SV_Position; float2 uv : TEXCOORD0; };
float4 Blur(Texture2D t, SamplerState s, float2 uv) {
    float4 sum = 0;
    for (int i = 0; i < 4; ++i) sum += t.Sample(s, uv + offsets[i]);
    return sum * 0.25;
}
float4 PS(VSOut i) : SV_Target { return Blur(image, linearClamp, i.uv) * amount + float4(tint, 0); }
)";

// Texel offsets from a static table in an [unroll] loop: the module is unrolled and folded
// before it becomes GLSL.
const char* kUnrolledOffsets = R"(
Texture2D image : register(t0);
SamplerState pointClamp : register(s1);
static const int2 kOffsets[4] = {int2(-1, 0), int2(1, 0), int2(0, -1), int2(0, 1)};
float4 PS(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target {
    float4 sum = 0;
    [unroll] for (int i = 0; i < 4; ++i) sum += image.Sample(pointClamp, uv, kOffsets[i]);
    return sum * 0.25;
}
)";

std::shared_ptr<const gpu::ShaderBlob> Translate(const std::string& source) {
    gpu::CompileRequest request;
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = "bench.fx";
    request.entryPoint = "PS";
    request.profile = "ps_4_0";
    std::string errors;
    return gpu::CompileHLSL(request, &errors);
}

void TranslateCold(benchmark::State& state, const char* shader) {
    Translate(shader);  // glslang's one-time start-up is not part of the measure
    int n = 0;
    for (auto _ : state) {
        std::string source = std::string(shader) + "// " + std::to_string(++n) + "\n";
        benchmark::DoNotOptimize(Translate(source));
    }
    gpu::HlslCacheClear();
}

void BM_TranslateCold(benchmark::State& state) { TranslateCold(state, kShader); }
BENCHMARK(BM_TranslateCold)->Unit(benchmark::kMillisecond);

void BM_TranslateColdUnrolledOffsets(benchmark::State& state) { TranslateCold(state, kUnrolledOffsets); }
BENCHMARK(BM_TranslateColdUnrolledOffsets)->Unit(benchmark::kMillisecond);

void BM_TranslateCached(benchmark::State& state) {
    const std::string source = kShader;
    Translate(source);
    for (auto _ : state) benchmark::DoNotOptimize(Translate(source));
}
BENCHMARK(BM_TranslateCached)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
