#pragma once
// The keys held down, kept from the window's key events. Polled keys (the playback keys)
// are answered from this table rather than from SDL's keyboard state, which injected
// events do not update.
#include <SDL2/SDL_keycode.h>

void SetKeyDown(SDL_Keycode key, bool down);
// Down now, or pressed since the last BeginKeyEvents: a key tapped and released between two
// polls (a slow frame) still counts once.
bool IsKeyDown(SDL_Keycode key);
// Called before a batch of key events is taken from the window: forgets earlier taps.
void BeginKeyEvents();
// Either Shift / either Ctrl key.
bool IsShiftDown();
bool IsCtrlDown();
// Forgets every held key (focus lost: the key-up events go to another window).
void ReleaseAllKeys();
