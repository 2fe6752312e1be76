// The bundled show rendered at fixed times through the recording clock, compared with
// committed reference frames. Set LUMIVANE_UPDATE_REFERENCES=1 (tools/update_reference_frames.sh)
// to write the references anew after an intended change of the show or the renderer.
#include <gtest/gtest.h>
#include <physfs.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "graphics/imagedecoder.h"
#include "platform/pngencoder.h"
#include "support/gputest.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

constexpr int kWidth = 342;
constexpr int kHeight = 192;
// Recorded frame numbers: one in each section of the track.
constexpr int kFrames[] = {150, 660, 1020, 1440, 2130, 2640, 2880};

std::string ReferencePath(int frame) {
    char name[64];
    std::snprintf(name, sizeof(name), "/reference/frame%05d.png", frame);
    return std::string(LUMIVANE_TEST_DATA) + name;
}

bool Updating() {
    const char* value = std::getenv("LUMIVANE_UPDATE_REFERENCES");
    return value && *value && std::string(value) != "0";
}

class BundledShow : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(InitTestDevice(kWidth, kHeight));
        gOutputWidth = kWidth;
        gOutputHeight = kHeight;
        gRandomSeed = 123456789;
        PHYSFS_init(nullptr);
        PHYSFS_mount((std::string(LUMIVANE_SOURCE_DIR) + "/data").c_str(), "/", 0);
        Audio_SetNullOutput(true);
        manager_ = new Effects::EffectsManager();
        manager_->Init(false, true, [](float) {}, "demo.xml");
    }
    static void TearDownTestSuite() {
        manager_->Shutdown();
        delete manager_;
        manager_ = nullptr;
    }
    static Effects::EffectsManager* manager_;
};

Effects::EffectsManager* BundledShow::manager_ = nullptr;

}  // namespace

TEST_P(BundledShow, FrameMatchesItsReference) {
    ASSERT_NE(manager_, nullptr);
    const int frame = GetParam();
    ASSERT_FALSE(manager_->GetEffects().empty()) << "the bundled script loads";
    // The recording clock: frame n shows float(n) * 0.033333335 seconds.
    manager_->Draw(static_cast<double>(static_cast<float>(frame) * 0.033333335f));
    std::vector<uint8_t> pixels = ReadBackBuffer();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight * 4);

    if (Updating()) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(EncodePng(pixels.data(), kWidth, kHeight, kWidth * 4, &png));
        std::ofstream out(ReferencePath(frame), std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        GTEST_SKIP() << "wrote " << ReferencePath(frame);
    }

    std::ifstream in(ReferencePath(frame), std::ios::binary);
    ASSERT_TRUE(in) << "missing reference " << ReferencePath(frame);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DecodedImage reference;
    ASSERT_TRUE(DecodeImage(bytes.data(), static_cast<uint32_t>(bytes.size()), &reference));
    ASSERT_EQ(reference.width, uint32_t(kWidth));
    ASSERT_EQ(reference.height, uint32_t(kHeight));

    // Software rasterisers differ in the last bits between CPUs: allow a small average
    // difference and a few stray pixels, not a different picture.
    double total = 0;
    int strays = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            int d = std::abs(int(pixels[i + c]) - int(reference.rgba[i + c]));
            total += d;
            worst = std::max(worst, d);
        }
        if (worst > 32) ++strays;
    }
    const double mean = total / (double(kWidth) * kHeight * 3);
    EXPECT_LT(mean, 2.0) << "frame " << frame;
    EXPECT_LT(strays, kWidth * kHeight / 100) << "frame " << frame;
}

INSTANTIATE_TEST_SUITE_P(Frames, BundledShow, ::testing::ValuesIn(kFrames));

// Not a check: renders the README's pictures of the bundled show at 1280 x 720 into
// LUMIVANE_DOCS_DIR (tools/update_docs_screenshots.sh runs it alone in its own process).
TEST(BundledShowDocs, DISABLED_WriteScreenshots) {
    const char* dir = std::getenv("LUMIVANE_DOCS_DIR");
    if (!dir) GTEST_SKIP() << "LUMIVANE_DOCS_DIR is not set";
    ASSERT_TRUE(InitTestDevice(1280, 720));
    gOutputWidth = 1280;
    gOutputHeight = 720;
    gRandomSeed = 123456789;
    PHYSFS_init(nullptr);
    PHYSFS_mount((std::string(LUMIVANE_SOURCE_DIR) + "/data").c_str(), "/", 0);
    Audio_SetNullOutput(true);
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, "demo.xml");
    for (int frame : {150, 660, 1440, 2130, 2640, 2880}) {
        manager.Draw(static_cast<double>(static_cast<float>(frame) * 0.033333335f));
        std::vector<uint8_t> pixels = ReadBackBuffer();
        std::vector<uint8_t> png;
        ASSERT_TRUE(EncodePng(pixels.data(), 1280, 720, 1280 * 4, &png));
        char name[64];
        std::snprintf(name, sizeof(name), "/show%05d.png", frame);
        std::ofstream out(std::string(dir) + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    manager.Shutdown();
}
