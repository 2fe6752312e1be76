#pragma once
// The keys held down, kept from the window's key events. Polled keys (the playback keys)
// are answered from this table rather than from SDL's keyboard state, which injected
// events do not update.
#include <SDL2/SDL_keycode.h>

void SetKeyDown(SDL_Keycode key, bool down);
bool IsKeyDown(SDL_Keycode key);
// Either Shift / either Ctrl key.
bool IsShiftDown();
bool IsCtrlDown();
// Forgets every held key (focus lost: the key-up events go to another window).
void ReleaseAllKeys();
