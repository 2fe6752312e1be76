// The recording pipeline at 1280x720: the same 300 frames of the bundled show rendered
// only, encoded only (captured frames fed straight to the writer), and recorded for real
// (render, present, pipelined read-back, encoding on the writer's thread). Prints the three
// frame rates and the pipeline efficiency = recording fps / min(render fps, encode fps).
// Each measurement runs twice, interleaved, and the faster run counts: the machines are shared.
// Usage: bench_recording [frames] [video file name, default output.wmv] [script, default
// demo.xml; keyframed.xml is a light show of one clear per frame]
#include <physfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "main/framecapture.h"
#include "main/run.h"
#include "support/gputest.h"
#include "system/audio.h"
#include "system/videowriter.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;
constexpr int kDistinctEncodeFrames = 30;

using Clock = std::chrono::steady_clock;

// A writer that could not open its file would make every rate meaningless: stop loudly.
void RequireReady(const VideoWriter& writer, const std::string& file) {
    if (writer.IsReady()) return;
    std::fprintf(stderr, "bench_recording: cannot record into '%s' (see the log above)\n", file.c_str());
    std::exit(1);
}

void RequireFile(const std::string& file) {
    std::error_code error;
    if (std::filesystem::file_size(file, error) > 0 && !error) return;
    std::fprintf(stderr, "bench_recording: no video was written to '%s'\n", file.c_str());
    std::exit(1);
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double FrameTime(int n) { return static_cast<double>(static_cast<float>(n) * kRecordingFrameStep); }

double RenderOnly(Effects::EffectsManager& manager, int frames) {
    const auto start = Clock::now();
    for (int n = 0; n < frames; ++n) {
        manager.Draw(FrameTime(n));
        gSwapChain->Present(0);
    }
    gContext->Finish();  // counted only once the GPU is done with every frame
    return frames / Seconds(start);
}

double EncodeOnly(Effects::EffectsManager& manager, int frames, const std::string& file) {
    std::vector<std::vector<uint8_t>> captured(kDistinctEncodeFrames);
    for (int n = 0; n < kDistinctEncodeFrames; ++n) {
        manager.Draw(FrameTime(n * frames / kDistinctEncodeFrames));
        int w = 0, h = 0;
        ReadBackBufferNow(&captured[n], &w, &h);
    }
    const auto start = Clock::now();
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        RequireReady(writer, file);
        writer.SetExpectedFrames(static_cast<unsigned>(frames));
        for (int n = 0; n < frames; ++n) writer.writeFrame(captured[n % kDistinctEncodeFrames].data());
        writer.Finish();
    }
    return frames / Seconds(start);
}

double Record(Effects::EffectsManager& manager, int frames, const std::string& file) {
    const auto start = Clock::now();
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        RequireReady(writer, file);
        writer.SetExpectedFrames(static_cast<unsigned>(frames));
        FrameCapture capture(&writer);
        for (int n = 0; n < frames; ++n) {
            manager.Draw(FrameTime(n));
            gSwapChain->Present(0);
            capture.Capture(static_cast<unsigned>(n));
        }
        capture.Drain();
        writer.Finish();
    }
    return frames / Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const std::string name = argc > 2 ? argv[2] : "output.wmv";
    const std::string script = argc > 3 ? argv[3] : "demo.xml";
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("lumivane_bench_" + std::to_string(::getpid()) + "_" + name)).string();

    if (!PHYSFS_init(argv[0]) || !PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", "/", 0) ||
        !PHYSFS_mount(LUMIVANE_SOURCE_DIR "/tests/data/show", "/", 1)) {
        std::fprintf(stderr, "cannot mount the bundled show\n");
        return 1;
    }
    if (!InitTestDevice(kWidth, kHeight)) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    Audio_SetNullOutput(true);
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, script);
    // Warm up: the first draw of each program costs llvmpipe its compilation.
    for (int n = 0; n < 30; ++n) manager.Draw(FrameTime(n * 200));
    gContext->Finish();

    double render = 0, encode = 0, record = 0;
    for (int round = 0; round < 2; ++round) {
        render = std::max(render, RenderOnly(manager, frames));
        encode = std::max(encode, EncodeOnly(manager, frames, file));
        RequireFile(file);
        record = std::max(record, Record(manager, frames, file));
        RequireFile(file);
    }
    std::filesystem::remove(file);
    manager.Shutdown();

    const double efficiency = record / std::min(render, encode);
    std::printf("\n%s: %d frames at %dx%d into %s\n", script.c_str(), frames, kWidth, kHeight, name.c_str());
    std::printf("render only : %7.1f fps\n", render);
    std::printf("encode only : %7.1f fps\n", encode);
    std::printf("recording   : %7.1f fps\n", record);
    std::printf("pipeline efficiency: %.2f (goal >= 0.9)\n", efficiency);
    return 0;
}
