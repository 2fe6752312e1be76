#pragma once
// Process-wide shell state shared by start-up, the window layer, the main loop and the effects.
#include <array>
#include <cstdint>

struct SDL_Window;

extern SDL_Window* gWindow;             // main window; null in headless runs
extern bool gQuit;                      // ends the main loop
extern bool gHasFocus;                  // the main window has keyboard focus
extern int gOutputWidth;                // client-area size of the window
extern int gOutputHeight;
extern bool gToggleKeysEnabled;         // "-togglekeys"
extern std::array<bool, 10> gToggleKeyStates;  // one per digit key, all on at start
extern double gSecondsPerTick;          // period of the steady clock
extern uint32_t gRandomSeed;            // set to 123456789 just before the main loop
