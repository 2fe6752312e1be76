// Screenshots: numbering across a run, existing and deleted files, the F11 key and the
// picture written.
#include <gtest/gtest.h>

#include <SDL.h>
#include <physfs.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "graphics/devicestate.h"
#include "graphics/imagedecoder.h"
#include "main/childprocess.h"
#include "main/screenshot.h"
#include "main/windowevents.h"
#include "support/gputest.h"
#include "support/logcapture.h"

namespace {

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(48, 27));
        ASSERT_TRUE(PHYSFS_init(nullptr));
        ASSERT_TRUE(PHYSFS_setWriteDir(dir_.Path().c_str()));
    }
    void TearDown() override { PHYSFS_deinit(); }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.Path() / "screenshots" / name); }
    std::string Read(const std::string& name) const { return dir_.Read("screenshots/" + name); }

    static void PressF11(bool repeat = false) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLK_F11;
        event.key.repeat = repeat ? 1 : 0;
        WndProc(event);
    }

    childtest::ScratchDir dir_;
};

// One test: the screenshot counter lives for the whole process.
TEST_F(Screenshots, NumberingSkipsExistingFilesAndReusesDeletedOnes) {
    dir_.Write("screenshots/screenshot001.png", "old");
    dir_.Write("screenshots/screenshot002.png", "old");
    const float colour[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    gContext->ClearRenderTargetView(gBackBufferView, colour);

    LogCapture log;
    PressF11();
    EXPECT_EQ(log.Count("Saving screenshot.."), 1);
    ASSERT_TRUE(Exists("screenshot003.png"));
    EXPECT_EQ(Read("screenshot001.png"), "old");

    // The file is a PNG of the back buffer.
    const std::string png = Read("screenshot003.png");
    DecodedImage image;
    ASSERT_TRUE(DecodeImage(reinterpret_cast<const uint8_t*>(png.data()), static_cast<uint32_t>(png.size()), &image));
    EXPECT_EQ(image.width, 48u);
    EXPECT_EQ(image.height, 27u);
    EXPECT_TRUE(PixelNear(image.rgba, 48, 0, 0, {255, 128, 0, 255}, 1));
    EXPECT_TRUE(PixelNear(image.rgba, 48, 47, 26, {255, 128, 0, 255}, 1));

    // Holding F11 writes nothing more; pressing it again writes the next number.
    PressF11(true);
    EXPECT_FALSE(Exists("screenshot004.png"));
    PressF11();
    EXPECT_TRUE(Exists("screenshot004.png"));

    std::filesystem::remove(dir_.Path() / "screenshots" / "screenshot004.png");
    SaveSceenshot("screenshots");
    EXPECT_TRUE(Exists("screenshot004.png"));
    EXPECT_FALSE(Exists("screenshot005.png"));
    EXPECT_EQ(log.CountContaining("Failed"), 0);
}

TEST_F(Screenshots, UnwritableDirectoryIsLoggedAndWritesNothing) {
    // A plain file where the directory should be.
    dir_.Write("screenshots", "not a directory");
    LogCapture log;
    SaveSceenshot("screenshots");
    EXPECT_EQ(log.Count("Failed to create screenshot directory"), 1);
    EXPECT_EQ(dir_.Read("screenshots"), "not a directory");
}

TEST_F(Screenshots, TopRowComesFirst) {
    // Top half red, bottom half blue, drawn with the viewport-clipped quad of the helper.
    const float blue[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    gContext->ClearRenderTargetView(gBackBufferView, blue);
    auto vs = QuadVertexBlob(2.0f);
    auto layout = QuadInputLayout(*vs);
    gpu::Viewport top;
    top.Width = 48;
    top.Height = 13;
    gContext->RSSetViewports(1, &top);
    gContext->VSSetShader(gDevice->CreateVertexShader(vs));
    gContext->PSSetShader(gDevice->CreatePixelShader(SolidColourPixelBlob(1, 0, 0, 1)));
    gContext->OMSetRenderTargets(1, &gBackBufferView, nullptr);
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xffffffff);
    DrawQuad(layout);

    SaveSceenshot("shots");
    // The counter lives for the process: take whatever number this run reached.
    std::string png;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path() / "shots"))
        png = dir_.Read("shots/" + entry.path().filename().string());
    DecodedImage image;
    ASSERT_TRUE(DecodeImage(reinterpret_cast<const uint8_t*>(png.data()), static_cast<uint32_t>(png.size()), &image));
    EXPECT_TRUE(PixelNear(image.rgba, 48, 24, 2, {255, 0, 0, 255}, 1));
    EXPECT_TRUE(PixelNear(image.rgba, 48, 24, 24, {0, 0, 255, 255}, 1));
}

}  // namespace
