// The settings dialog on a real X display, driven by injected input.
#include <SDL.h>
#include <gtest/gtest.h>

#include "main/settingsdialog.h"

namespace {

// Gives up after this many frames so that a dialog that ignores its input fails the test
// instead of hanging it.
constexpr int kGiveUpFrame = 300;

void PushKey(SDL_Keycode key, SDL_Scancode scancode, SDL_Window* window) {
    for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(window);
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        SDL_PushEvent(&event);
    }
}

void PushButton(Uint32 type, SDL_Window* window, float x, float y) {
    SDL_Event event{};
    event.type = type;
    event.button.windowID = SDL_GetWindowID(window);
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = int(x);
    event.button.y = int(y);
    SDL_PushEvent(&event);
}

void GiveUpIfStuck(const SettingsDialogLayout& layout) {
    if (layout.frame == kGiveUpFrame) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

// A hook that clicks the point chosen from the layout: move there, press, release.
SettingsDialogFrameHook ClickAt(bool demo) {
    return [demo](const SettingsDialogLayout& layout) {
        float x = demo ? layout.demoX : layout.dieX;
        float y = demo ? layout.demoY : layout.dieY;
        if (layout.frame == 3) SDL_WarpMouseInWindow(layout.window, int(x), int(y));
        if (layout.frame == 6) PushButton(SDL_MOUSEBUTTONDOWN, layout.window, x, y);
        if (layout.frame == 8) PushButton(SDL_MOUSEBUTTONUP, layout.window, x, y);
        GiveUpIfStuck(layout);
    };
}

SettingsDialogFrameHook PressKeyAt(int frame, SDL_Keycode key, SDL_Scancode scancode) {
    return [=](const SettingsDialogLayout& layout) {
        if (layout.frame == frame) PushKey(key, scancode, layout.window);
        GiveUpIfStuck(layout);
    };
}

Config Preset() {
    Config config;
    config.FullScreen = false;
    config.AntiAlias = true;
    config.AlwaysOnTop = false;
    config.Resolution = 1;
    return config;
}

void ExpectSame(const Config& a, const Config& b) {
    EXPECT_EQ(a.FullScreen, b.FullScreen);
    EXPECT_EQ(a.AntiAlias, b.AntiAlias);
    EXPECT_EQ(a.AlwaysOnTop, b.AlwaysOnTop);
    EXPECT_EQ(a.Resolution, b.Resolution);
}

TEST(SettingsDialog, DemoReturnsThePresetValues) {
    for (Config preset : {Config(), Preset()}) {
        Config config = preset;
        ASSERT_EQ(RunSettingsDialog("Lumivane", &config, ClickAt(true)), SettingsDialogResult::Accepted);
        ExpectSame(config, preset);
    }
}

TEST(SettingsDialog, DieCancelsAndLeavesTheConfiguration) {
    Config config = Preset();
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, ClickAt(false)), SettingsDialogResult::Cancelled);
    ExpectSame(config, Preset());
}

TEST(SettingsDialog, EnterAcceptsEscapeCancels) {
    Config config = Preset();
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, PressKeyAt(2, SDLK_RETURN, SDL_SCANCODE_RETURN)),
              SettingsDialogResult::Accepted);
    ExpectSame(config, Preset());
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, PressKeyAt(2, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER)),
              SettingsDialogResult::Accepted);
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, PressKeyAt(2, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE)),
              SettingsDialogResult::Cancelled);
    ExpectSame(config, Preset());
}

TEST(SettingsDialog, ClosingTheWindowCancels) {
    Config config;
    auto close = [](const SettingsDialogLayout& layout) {
        if (layout.frame == 2) {
            SDL_Event event{};
            event.type = SDL_WINDOWEVENT;
            event.window.event = SDL_WINDOWEVENT_CLOSE;
            event.window.windowID = SDL_GetWindowID(layout.window);
            SDL_PushEvent(&event);
        }
        GiveUpIfStuck(layout);
    };
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, close), SettingsDialogResult::Cancelled);
}

TEST(SettingsDialog, WindowIsTitledAndGoneAfterwards) {
    Config config;
    std::string title;
    int width = 0, height = 0;
    Uint32 id = 0;
    auto look = [&](const SettingsDialogLayout& layout) {
        if (layout.frame == 1) {
            id = SDL_GetWindowID(layout.window);
            title = SDL_GetWindowTitle(layout.window);
            SDL_GetWindowSize(layout.window, &width, &height);
            PushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, layout.window);
        }
        GiveUpIfStuck(layout);
    };
    EXPECT_EQ(RunSettingsDialog("Lumivane", &config, look), SettingsDialogResult::Cancelled);
    EXPECT_EQ(title, "Lumivane");
    EXPECT_GT(width, 100);
    EXPECT_GT(height, 100);
    // No window of the dialog is left behind; video stays up for the main window.
    EXPECT_NE(id, 0u);
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

}  // namespace
