#pragma once
// Helpers for the audio tests: a mounted scratch folder beside the committed music
// fixtures, and a writer for exact PCM WAV files whose samples the tests can predict.
#include <gtest/gtest.h>
#include <physfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace audiotest {

namespace fs = std::filesystem;

inline const char* const kFormats[] = {"wav", "ogg", "flac", "mp3", "opus"};

inline std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// 16-bit PCM WAV; sample(frame, channel) gives values in [-1, 1].
inline std::vector<uint8_t> MakeWav(int rate, int channels, int frames,
                                    const std::function<float(int, int)>& sample) {
    std::vector<uint8_t> b;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    uint32_t dataBytes = uint32_t(frames) * uint32_t(channels) * 2;
    tag("RIFF"); u32(36 + dataBytes); tag("WAVE");
    tag("fmt "); u32(16); u16(1); u16(uint16_t(channels)); u32(uint32_t(rate));
    u32(uint32_t(rate * channels * 2)); u16(uint16_t(channels * 2)); u16(16);
    tag("data"); u32(dataBytes);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            float v = sample(f, c);
            u16(uint16_t(int16_t(v * 32767.0f)));
        }
    return b;
}

// Mounts the committed fixtures at "fixtures/" and a fresh scratch folder at the root.
class MountedData : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = fs::temp_directory_path() /
                   ("lumivane_audio_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(scratch_);
        ASSERT_NE(PHYSFS_init(nullptr), 0);
        ASSERT_NE(PHYSFS_mount(scratch_.c_str(), nullptr, 0), 0);
        ASSERT_NE(PHYSFS_mount(FixtureDir().c_str(), "fixtures", 1), 0);
    }
    void TearDown() override {
        PHYSFS_deinit();
        fs::remove_all(scratch_);
    }
    static fs::path FixtureDir() { return fs::path(LUMIVANE_TEST_DATA) / "audio"; }
    static std::string Fixture(const std::string& ext) { return "fixtures/tone." + ext; }

    fs::path scratch_;
};

}  // namespace audiotest
