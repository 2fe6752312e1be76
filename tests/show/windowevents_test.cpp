// The window procedure on synthetic SDL events: quit, focus, keys, toggle keys, resize.
#include <gtest/gtest.h>

#include <SDL.h>

#include "graphics/devicestate.h"
#include "main/windowevents.h"
#include "platform/keystate.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "system/globals.h"

namespace {

SDL_Event Key(Uint32 type, SDL_Keycode key, bool repeat = false) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.repeat = repeat ? 1 : 0;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

SDL_Event Window(SDL_WindowEventID id, int data1 = 0, int data2 = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = id;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

class WindowEvents : public ::testing::Test {
protected:
    void SetUp() override {
        gQuit = false;
        gHasFocus = false;
        gToggleKeysEnabled = false;
        gToggleKeyStates.fill(true);
        ReleaseAllKeys();
    }
};

TEST_F(WindowEvents, EscapeAndClosingTheWindowQuit) {
    WndProc(Key(SDL_KEYDOWN, SDLK_a));
    EXPECT_FALSE(gQuit);
    WndProc(Key(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_TRUE(gQuit);

    gQuit = false;
    WndProc(Window(SDL_WINDOWEVENT_CLOSE));
    EXPECT_TRUE(gQuit);
}

TEST_F(WindowEvents, FocusIsTrackedAndLosingItReleasesHeldKeys) {
    WndProc(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_TRUE(gHasFocus);
    WndProc(Key(SDL_KEYDOWN, SDLK_RIGHT));
    WndProc(Key(SDL_KEYDOWN, SDLK_LSHIFT));
    EXPECT_TRUE(IsKeyDown(SDLK_RIGHT));
    EXPECT_TRUE(IsShiftDown());
    WndProc(Key(SDL_KEYUP, SDLK_LSHIFT));
    EXPECT_TRUE(IsShiftDown()) << "a key released in this batch of events still counts once";
    BeginKeyEvents();
    EXPECT_FALSE(IsShiftDown());

    WndProc(Window(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_FALSE(gHasFocus);
    EXPECT_FALSE(IsKeyDown(SDLK_RIGHT));
}

TEST_F(WindowEvents, DigitKeysToggleOnlyWhenEnabledAndRepeatsToggleAgain) {
    LogCapture log;
    WndProc(Key(SDL_KEYDOWN, SDLK_3));
    EXPECT_TRUE(gToggleKeyStates[3]);
    EXPECT_EQ(log.CountContaining("Toggle key"), 0);

    gToggleKeysEnabled = true;
    WndProc(Key(SDL_KEYDOWN, SDLK_3));
    EXPECT_FALSE(gToggleKeyStates[3]);
    WndProc(Key(SDL_KEYDOWN, SDLK_3, true));
    EXPECT_TRUE(gToggleKeyStates[3]);
    EXPECT_EQ(log.Count("Toggle key 3 = off"), 1);
    EXPECT_EQ(log.Count("Toggle key 3 = on"), 1);

    WndProc(Key(SDL_KEYDOWN, SDLK_0));
    EXPECT_FALSE(gToggleKeyStates[0]);
    EXPECT_EQ(log.Count("Toggle key 0 = off"), 1);

    // Keypad digits are other keys.
    WndProc(Key(SDL_KEYDOWN, SDLK_KP_5));
    EXPECT_TRUE(gToggleKeyStates[5]);
}

TEST_F(WindowEvents, ResizeBeforeTheSwapChainOnlyRecordsTheSize) {
    LogCapture log;
    ASSERT_FALSE(gSwapChain);
    WndProc(Window(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 500));
    EXPECT_EQ(gOutputWidth, 1000);
    EXPECT_EQ(gOutputHeight, 500);
    EXPECT_EQ(log.Count("Received WM_SIZE of 1000x500, aspect 2.00"), 1);
    EXPECT_EQ(log.Count("..but had no swapchain!"), 1);
}

TEST_F(WindowEvents, ResizeRecreatesTheBackBufferAtTheNewSize) {
    ASSERT_TRUE(InitTestDevice(64, 36));
    LogCapture log;
    WndProc(Window(SDL_WINDOWEVENT_SIZE_CHANGED, 100, 30));
    EXPECT_EQ(log.Count("Received WM_SIZE of 100x30, aspect 3.33"), 1);
    EXPECT_EQ(log.CountContaining("Failed"), 0);
    EXPECT_EQ(gOutputWidth, 100);
    gpu::Texture2DPtr buffer = gSwapChain->GetBuffer();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetDesc().Width, 100u);
    EXPECT_EQ(buffer->GetDesc().Height, 30u);
    ASSERT_TRUE(gBackBufferView);
    EXPECT_EQ(gBackBufferView->GetResource(), buffer);

    // The new view really draws into the new buffer.
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    gContext->ClearRenderTargetView(gBackBufferView, green);
    std::vector<uint8_t> pixels = ReadBackBuffer();
    ASSERT_EQ(pixels.size(), 100u * 30u * 4u);
    EXPECT_TRUE(PixelNear(pixels, 100, 99, 29, {0, 255, 0, 255}));

    // The render size stays what it was.
    EXPECT_EQ(gScreenWidth, 64);
    EXPECT_EQ(gScreenHeight, 36);
}

}  // namespace
