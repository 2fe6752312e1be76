#include "main/windowevents.h"

#include <SDL.h>

#include "graphics/devicestate.h"
#include "main/overlay.h"
#include "main/screenshot.h"
#include "platform/keystate.h"
#include "system/globals.h"
#include "system/log.h"

namespace {

// The digit 0-9 of a main-keyboard key, or -1 (keypad digits have keycodes of their own).
int MainKeyboardDigit(SDL_Keycode key) {
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<int>(key - SDLK_0);
    return -1;
}

void HandleKeyDown(const SDL_KeyboardEvent& key) {
    const SDL_Keycode code = key.keysym.sym;
    if (code == SDLK_ESCAPE) {
        gQuit = true;
        return;
    }
    if (code == SDLK_F1) {
        if (!key.repeat) gOverlayVisible = !gOverlayVisible;
        return;
    }
    if (code == SDLK_F11) {
        // Holding F11 saves one picture: repeats carry SDL's repeat flag.
        if (key.repeat) return;
        LOG("Saving screenshot..");
        SaveSceenshot("screenshots");
        return;
    }
    const int digit = MainKeyboardDigit(code);
    if (digit >= 0 && gToggleKeysEnabled) {
        // Every auto-repeat toggles again, as a held digit key does.
        gToggleKeyStates[digit] = !gToggleKeyStates[digit];
        LOG("Toggle key %d = %s", digit, gToggleKeyStates[digit] ? "on" : "off");
    }
}

void HandleWindowEvent(const SDL_WindowEvent& window) {
    switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        gQuit = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        gHasFocus = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        gHasFocus = false;
        // Key-up events now go to another window: forget what was held.
        ReleaseAllKeys();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        HandleResize(window.data1, window.data2);
        break;
    default:
        break;
    }
}

// True when the event belongs to the main window, or to no window at all.
bool IsForMainWindow(const SDL_Event& event) {
    Uint32 windowId = 0;
    switch (event.type) {
    case SDL_WINDOWEVENT: windowId = event.window.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: windowId = event.key.windowID; break;
    default: return true;
    }
    if (windowId == 0 || !gWindow) return true;
    return windowId == SDL_GetWindowID(gWindow);
}

}  // namespace

void HandleResize(int width, int height) {
    gOutputWidth = width;
    gOutputHeight = height;
    const float aspect = height != 0 ? static_cast<float>(width) / static_cast<float>(height) : 0.0f;
    LOG("Received WM_SIZE of %dx%d, aspect %0.2f", width, height, aspect);
    if (!gSwapChain) {
        LOG("..but had no swapchain!");
        return;
    }
    // A minimised window reports nothing useful; keep the last back buffer.
    if (width <= 0 || height <= 0) return;

    if (gContext) gContext->OMSetRenderTargets(0, nullptr, nullptr);
    gBackBufferView.reset();
    gSwapChain->ResizeBuffers(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    gpu::Texture2DPtr buffer = gSwapChain->GetBuffer();
    if (!buffer) {
        LOG("Failed to get buffer");
        return;
    }
    gBackBufferView = gDevice ? gDevice->CreateRenderTargetView(buffer, nullptr) : nullptr;
    if (!gBackBufferView) LOG("Failed to create render target view");
}

void WndProc(const SDL_Event& event) {
    if (!IsForMainWindow(event)) return;
    switch (event.type) {
    case SDL_QUIT:
        gQuit = true;
        break;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
        SetKeyDown(event.key.keysym.sym, true);
        HandleKeyDown(event.key);
        break;
    case SDL_KEYUP:
        SetKeyDown(event.key.keysym.sym, false);
        break;
    default:
        break;
    }
}

void PumpWindowEvents() {
    BeginKeyEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event)) WndProc(event);
}
