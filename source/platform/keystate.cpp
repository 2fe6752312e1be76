#include "platform/keystate.h"

#include <unordered_set>

namespace {

std::unordered_set<SDL_Keycode>& HeldKeys() {
    static std::unordered_set<SDL_Keycode> keys;
    return keys;
}

std::unordered_set<SDL_Keycode>& TappedKeys() {
    static std::unordered_set<SDL_Keycode> keys;
    return keys;
}

}  // namespace

void SetKeyDown(SDL_Keycode key, bool down) {
    if (down) {
        HeldKeys().insert(key);
        TappedKeys().insert(key);
    } else {
        HeldKeys().erase(key);
    }
}

bool IsKeyDown(SDL_Keycode key) { return HeldKeys().count(key) != 0 || TappedKeys().count(key) != 0; }

void BeginKeyEvents() { TappedKeys().clear(); }

bool IsShiftDown() { return IsKeyDown(SDLK_LSHIFT) || IsKeyDown(SDLK_RSHIFT); }

bool IsCtrlDown() { return IsKeyDown(SDLK_LCTRL) || IsKeyDown(SDLK_RCTRL); }

void ReleaseAllKeys() {
    HeldKeys().clear();
    TappedKeys().clear();
}
