// Decode time of a three-minute track in each music format, and the per-frame cost of
// Audio_Update while music plays on the null output.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "system/audio.h"
#include "system/audiodecoder.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Three minutes of a chord with some noise, so the encoders have real work to keep.
bool MakeTracks() {
    const std::string src = "-f lavfi -i \"aevalsrc=0.3*sin(2*PI*220*t)+0.2*sin(2*PI*331*t)+0.05*(random(0)-0.5)"
                            "|0.3*sin(2*PI*277*t)+0.2*sin(2*PI*440*t):s=44100:d=180\"";
    const char* encoders[][2] = {{"wav", "-c:a pcm_s16le"},
                                 {"flac", "-c:a flac"},
                                 {"ogg", "-c:a libvorbis -q:a 5"},
                                 {"mp3", "-c:a libmp3lame -b:a 192k"},
                                 {"opus", "-ar 48000 -c:a libopus -b:a 128k"}};
    for (auto& e : encoders) {
        std::string cmd = "ffmpeg -v error -y " + src + " " + e[1] + " " + (gDir / ("track." + std::string(e[0]))).string();
        if (std::system(cmd.c_str()) != 0) return false;
    }
    return true;
}

void BM_Decode(benchmark::State& state, std::string format) {
    std::vector<uint8_t> bytes = ReadBytes(gDir / ("track." + format));
    size_t frames = 0;
    for (auto _ : state) {
        DecodedTrack track;
        if (!DecodeAudio(bytes.data(), bytes.size(), format, &track)) state.SkipWithError("decode failed");
        frames = track.frames;
        benchmark::DoNotOptimize(track.samples.data());
    }
    state.counters["seconds_of_music"] = double(frames) / (format == "opus" ? 48000 : 44100);
    state.counters["file_kib"] = double(bytes.size()) / 1024.0;
}

void BM_AudioUpdate(benchmark::State& state) {
    Audio_SetNullOutput(true);
    Audio_Init();
    Audio_Load("track.ogg");
    Audio_Play();
    double t = 0.0;
    for (auto _ : state) {
        t = Audio_Update();
        benchmark::DoNotOptimize(t);
    }
    Audio_Shutdown();
}

}  // namespace

int main(int argc, char** argv) {
    gDir = fs::temp_directory_path() / ("lumivane_bench_audio_" + std::to_string(::getpid()));
    fs::create_directories(gDir);
    if (!MakeTracks()) {
        std::fprintf(stderr, "could not encode the benchmark tracks with ffmpeg\n");
        return 1;
    }
    PHYSFS_init(argv[0]);
    PHYSFS_mount(gDir.c_str(), nullptr, 0);
    for (const char* format : {"wav", "flac", "ogg", "mp3", "opus"}) {
        benchmark::RegisterBenchmark((std::string("Decode3Minutes/") + format).c_str(), BM_Decode, format)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::RegisterBenchmark("AudioUpdate", BM_AudioUpdate);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PHYSFS_deinit();
    fs::remove_all(gDir);
    return 0;
}
