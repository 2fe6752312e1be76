// Recording throughput at 1280x720: frames per second through the whole writer (queue,
// colour conversion, encoding, muxing) for WMV2 and H.264, and how long writeFrame holds
// up the caller, with no render work between frames and with 20 ms of it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "system/videowriter.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFrames = 120;

// A moving pattern with some texture, so the encoder has real work to do.
std::vector<std::vector<uint8_t>> MakeFrames() {
    std::vector<std::vector<uint8_t>> frames(8, std::vector<uint8_t>(size_t(kWidth) * kHeight * 4));
    uint32_t state = 123456789;
    for (size_t f = 0; f < frames.size(); ++f)
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                state = state * 1103515245u + 12345u;
                uint8_t* p = &frames[f][(size_t(y) * kWidth + x) * 4];
                p[0] = static_cast<uint8_t>(x + f * 8);
                p[1] = static_cast<uint8_t>(y + (state >> 29));
                p[2] = static_cast<uint8_t>((x ^ y) + f * 4);
                p[3] = 255;
            }
    return frames;
}

void Record(benchmark::State& state, const char* extension) {
    static const auto frames = MakeFrames();
    const auto renderTime = std::chrono::milliseconds(state.range(0));
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("lumivane_bench_" + std::to_string(::getpid()) + extension)).string();
    double blocked = 0, total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        VideoWriter writer(kWidth, kHeight, 30, file);
        for (int n = 0; n < kFrames; ++n) {
            if (renderTime.count() > 0) std::this_thread::sleep_for(renderTime);
            const auto before = std::chrono::steady_clock::now();
            writer.writeFrame(frames[n % frames.size()].data());
            blocked += std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
        }
        writer.Finish();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::filesystem::remove(file);
    const double frameCount = double(kFrames) * state.iterations();
    state.counters["fps"] = frameCount / total;
    state.counters["writeFrame_ms"] = 1000.0 * blocked / frameCount;
}

void BM_RecordWmv2_720p(benchmark::State& state) { Record(state, ".wmv"); }
void BM_RecordH264_720p(benchmark::State& state) { Record(state, ".mp4"); }

BENCHMARK(BM_RecordWmv2_720p)->Arg(0)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecordH264_720p)->Arg(0)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
