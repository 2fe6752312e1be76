// The recording pipeline at 1280x720: the same 300 frames of the bundled show rendered
// only, encoded only (captured frames fed straight to the writer), and recorded for real
// (render, present, pipelined read-back, encoding on the writer's thread), each with the
// colour conversion on the CPU (the writer's) and on the GPU (frames read back as YUV
// 4:2:0). Prints the frame rates and the pipeline efficiency of the conversion the player
// chooses for this device = recording fps / min(render fps, encode fps).
// Rendering and encoding share the machine's cores; where both are bound by the same CPU
// the best the pipeline can do is 1 / (1 / render + 1 / encode), printed as "serial".
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

#include "benchdevice.h"
#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "main/framecapture.h"
#include "main/run.h"
#include "main/yuvconverter.h"
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

// The back buffer as the writer takes it: converted and packed on the GPU when the writer's
// encoder takes YUV 4:2:0, RGBA rows otherwise.
std::vector<uint8_t> CaptureFor(const VideoWriter& writer, bool gpu, YuvConverter* converter) {
    std::vector<uint8_t> bytes;
    Yuv420Layout layout;
    if (!gpu || !writer.TakesYuv420(&layout)) {
        int w = 0, h = 0;
        ReadBackBufferNow(&bytes, &w, &h);
        return bytes;
    }
    if (!converter->IsReady() && !converter->Init(layout)) return bytes;
    gpu::Texture2DPtr packed = converter->Convert(gSwapChain->GetBuffer());
    gpu::Texture2DDesc desc = packed->GetDesc();
    desc.Usage = gpu::Usage::Staging;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    gpu::Texture2DPtr staging = gDevice->CreateTexture2D(desc, nullptr);
    gContext->CopyResource(staging, packed);
    gpu::MappedSubresource mapped;
    if (!gContext->Map(staging, 0, gpu::MapType::Read, &mapped)) return bytes;
    std::vector<uint8_t> scratch;
    const uint8_t* rows = PackRows(static_cast<const uint8_t*>(mapped.pData), mapped.RowPitch, layout.TextureWidth(),
                                   layout.TextureHeight(), &scratch);
    bytes.assign(rows, rows + layout.bytes);
    gContext->Unmap(staging, 0);
    return bytes;
}

double EncodeOnly(Effects::EffectsManager& manager, int frames, const std::string& file, bool gpu) {
    VideoWriter writer(kWidth, kHeight, 30, file);
    RequireReady(writer, file);
    writer.SetExpectedFrames(static_cast<unsigned>(frames));
    Yuv420Layout layout;
    const bool yuv = gpu && writer.TakesYuv420(&layout);
    YuvConverter converter;
    std::vector<std::vector<uint8_t>> captured(kDistinctEncodeFrames);
    for (int n = 0; n < kDistinctEncodeFrames; ++n) {
        manager.Draw(FrameTime(n * frames / kDistinctEncodeFrames));
        captured[n] = CaptureFor(writer, yuv, &converter);
        if (captured[n].empty()) {
            std::fprintf(stderr, "bench_recording: cannot read frames back\n");
            std::exit(1);
        }
    }
    const auto start = Clock::now();
    for (int n = 0; n < frames; ++n) {
        const std::vector<uint8_t>& frame = captured[n % kDistinctEncodeFrames];
        if (yuv) writer.writeYuv420Frame(frame.data());
        else writer.writeFrame(frame.data());
    }
    writer.Finish();
    return frames / Seconds(start);
}

double Record(Effects::EffectsManager& manager, int frames, const std::string& file, ColourConversion conversion) {
    const auto start = Clock::now();
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        RequireReady(writer, file);
        writer.SetExpectedFrames(static_cast<unsigned>(frames));
        FrameCapture capture(&writer, 3, conversion);
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

    if (!SetUpShowBench(argv[0], kWidth, kHeight)) return 1;
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, script);
    // Warm up: the first draw of each program costs llvmpipe its compilation.
    for (int n = 0; n < 30; ++n) manager.Draw(FrameTime(n * 200));
    gContext->Finish();

    // [0]: conversion on the CPU, [1]: on the GPU.
    double render = 0, encode[2] = {0, 0}, record[2] = {0, 0};
    for (int round = 0; round < 2; ++round) {
        render = std::max(render, RenderOnly(manager, frames));
        for (int gpu = 0; gpu < 2; ++gpu) {
            encode[gpu] = std::max(encode[gpu], EncodeOnly(manager, frames, file, gpu));
            RequireFile(file);
            record[gpu] = std::max(record[gpu], Record(manager, frames, file, gpu ? ColourConversion::Gpu : ColourConversion::Cpu));
            RequireFile(file);
        }
    }
    std::filesystem::remove(file);
    const bool software = gDevice->GetAdapterInfo().software;
    manager.Shutdown();

    std::printf("\n%s: %d frames at %dx%d into %s on %s\n", script.c_str(), frames, kWidth, kHeight, name.c_str(),
                software ? "a software rasteriser" : "a GPU");
    std::printf("render only                : %7.1f fps\n", render);
    for (int gpu = 0; gpu < 2; ++gpu) {
        const char* where = gpu ? "GPU" : "CPU";
        std::printf("encode only, %s conversion : %7.1f fps\n", where, encode[gpu]);
        std::printf("recording, %s conversion   : %7.1f fps (efficiency %.2f; serial %.1f fps)\n", where, record[gpu],
                    record[gpu] / std::min(render, encode[gpu]), 1.0 / (1.0 / render + 1.0 / encode[gpu]));
    }
    // The player converts on the CPU on a software rasteriser and on the GPU otherwise.
    const int chosen = software ? 0 : 1;
    std::printf("pipeline efficiency: %.2f (goal >= 0.9)\n", record[chosen] / std::min(render, encode[chosen]));
    return 0;
}
