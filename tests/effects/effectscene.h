#pragma once
// A small show for effect tests: the headless device at a fixed render size, a data file
// system of a scratch folder (searched first, for files a test writes or overrides), the
// test shaders and tables of tests/data/effects and the bundled data/, a frame chain, and
// effects built from script text through the factory.
#include <gtest/gtest.h>
#include <physfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"
#include "system/globals.h"

constexpr int kSceneWidth = 64;
constexpr int kSceneHeight = 48;

class EffectScene {
public:
    explicit EffectScene(bool antiAlias = false) {
        deviceReady_ = InitTestDevice(kSceneWidth, kSceneHeight, antiAlias);
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        scratch_ = std::filesystem::temp_directory_path() /
                   ("lumivane_effects_" + std::to_string(::getpid()) + "_" + test->name());
        std::filesystem::create_directories(scratch_);
        physfsReady_ = PHYSFS_init(nullptr) != 0 && PHYSFS_mount(scratch_.c_str(), nullptr, 1) != 0 &&
                       PHYSFS_mount(LUMIVANE_TEST_DATA "/effects", nullptr, 1) != 0 &&
                       PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
        if (deviceReady_) chain_ = std::make_unique<DynamicTexturePair>(float(gScreenWidth), float(gScreenHeight));
    }
    ~EffectScene() {
        effects_.clear();  // file-backed resources go before the file system
        chain_.reset();
        PHYSFS_deinit();
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }
    EffectScene(const EffectScene&) = delete;
    EffectScene& operator=(const EffectScene&) = delete;

    bool Ready() const { return deviceReady_ && physfsReady_; }

    // Writes a file (and its folders) into the scratch folder with a modification time of a
    // fixed base plus secondsOffset, so reload tests never wait for the clock.
    void Write(const std::string& name, const std::string& bytes, int secondsOffset = 0) {
        std::filesystem::create_directories((scratch_ / name).parent_path());
        {
            std::ofstream out(scratch_ / name, std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        SetTime(name, secondsOffset);
    }
    void SetTime(const std::string& name, int secondsOffset) {
        std::filesystem::last_write_time(scratch_ / name, base_ + std::chrono::seconds(secondsOffset));
    }
    static std::string ReadTestData(const std::string& path) {
        std::ifstream in(std::string(LUMIVANE_TEST_DATA) + "/" + path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Builds and initialises the effects of `xml` (effect elements, as under a script's root).
    // Returns what initialisation returned; a failed load is a test failure.
    bool Load(const std::string& xml) {
        pugi::xml_document document;
        const std::string text = "<demo>" + xml + "</demo>";
        EXPECT_TRUE(document.load_string(text.c_str())) << text;
        EXPECT_TRUE(Effects::Effect::LoadEffects(document.child("demo"), effects_)) << text;
        return Effects::Effect::InitEffects(effects_, [](float) {});
    }

    // Updates every top-level effect at script time `time` with the scene's chain.
    void Frame(double time = 0.0) {
        for (const auto& effect : effects_) effect->Update(time, *chain_);
    }

    Effects::EffectList& List() { return effects_; }
    template <typename T>
    T* Get(size_t index) {
        return index < effects_.size() ? dynamic_cast<T*>(effects_[index].get()) : nullptr;
    }

    DynamicTexturePair& Chain() { return *chain_; }
    std::vector<uint8_t> Current() { return ReadPixels(chain_->GetCurrent().GetTexture()); }

    // Writes an RGBA8 image into a single-sampled render texture.
    static void Fill(DynamicTexture& texture, const std::function<Rgba(int x, int y)>& pixel) {
        const int w = int(texture.GetWidth()), h = int(texture.GetHeight());
        std::vector<uint8_t> bytes(size_t(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const Rgba p = pixel(x, y);
                uint8_t* out = &bytes[(size_t(y) * w + x) * 4];
                out[0] = uint8_t(p.r), out[1] = uint8_t(p.g), out[2] = uint8_t(p.b), out[3] = uint8_t(p.a);
            }
        }
        gContext->UpdateSubresource(texture.GetTexture(), 0, nullptr, bytes.data(), uint32_t(w) * 4, 0);
    }
    void FillCurrent(const std::function<Rgba(int x, int y)>& pixel) { Fill(chain_->GetCurrent(), pixel); }
    void FillCurrent(Rgba colour) {
        FillCurrent([colour](int, int) { return colour; });
    }

private:
    bool deviceReady_ = false;
    bool physfsReady_ = false;
    std::filesystem::path scratch_;
    std::filesystem::file_time_type base_ = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    Effects::EffectList effects_;
    std::unique_ptr<DynamicTexturePair> chain_;
};

// A colour as 0..255 channels, for comparing read-back pixels.
inline Rgba Bytes(const float colour[4]) {
    auto c = [](float v) { return int(v * 255.0f + 0.5f); };
    return {c(colour[0]), c(colour[1]), c(colour[2]), c(colour[3])};
}

// Draws never write the alpha channel (the blend states mask it), so pixels are compared on
// red, green and blue.
inline bool RgbNear(const std::vector<uint8_t>& pixels, int x, int y, Rgba expected, int tolerance = 2) {
    const Rgba p = PixelAt(pixels, kSceneWidth, x, y);
    const bool near = std::abs(p.r - expected.r) <= tolerance && std::abs(p.g - expected.g) <= tolerance &&
                      std::abs(p.b - expected.b) <= tolerance;
    if (!near) {
        ADD_FAILURE() << "pixel (" << x << "," << y << ") is (" << p.r << "," << p.g << "," << p.b << "), expected ("
                      << expected.r << "," << expected.g << "," << expected.b << ") +-" << tolerance;
    }
    return near;
}

// True when every pixel's colour is within tolerance of `expected` (reports the first miss).
inline bool AllNear(const std::vector<uint8_t>& pixels, Rgba expected, int tolerance = 2) {
    for (int y = 0; y < kSceneHeight; ++y)
        for (int x = 0; x < kSceneWidth; ++x)
            if (!RgbNear(pixels, x, y, expected, tolerance)) return false;
    return true;
}
