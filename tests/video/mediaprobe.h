#pragma once
// Helpers for video tests: a private scratch folder and the ffprobe / ffmpeg tools run
// through popen to inspect what the writer produced.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace mediaprobe {

struct ScratchDir {
    std::filesystem::path path;
    explicit ScratchDir(const std::string& name) {
        path = std::filesystem::temp_directory_path() /
               ("lumivane_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

// Standard output of a shell command, as bytes.
inline std::string Run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    ::pclose(pipe);
    return out;
}

// Every value of "key" in ffprobe's JSON output, in order, without quotes.
inline std::vector<std::string> JsonValues(const std::string& json, const std::string& key) {
    std::vector<std::string> values;
    const std::regex pattern("\"" + key + "\": \"?([^\",\\n]*)\"?");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), pattern); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    return values;
}

inline std::string Probe(const std::string& file, const std::string& entries) {
    return Run("ffprobe -v error -count_frames " + entries + " -of json '" + file + "'");
}

// All frames decoded to packed RGB24.
inline std::string DecodeRgb(const std::string& file) {
    return Run("ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt rgb24 -");
}

// Every frame decoded to planar YUV 4:2:0 (Y, U, V planes one after another), untouched by
// any colour conversion, so tests can apply an exact matrix of their own.
inline std::string DecodeYuv420(const std::string& file) {
    return Run("ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt yuv420p -");
}

// The first audio stream decoded to interleaved stereo floats.
inline std::vector<float> DecodeAudio(const std::string& file) {
    const std::string bytes = Run("ffmpeg -v error -i '" + file + "' -vn -f f32le -ac 2 -");
    std::vector<float> samples(bytes.size() / sizeof(float));
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

}  // namespace mediaprobe
