#include "system/globals.h"

SDL_Window* gWindow = nullptr;
bool gQuit = false;
bool gHasFocus = false;
int gOutputWidth = 0;
int gOutputHeight = 0;
bool gToggleKeysEnabled = false;
std::array<bool, 10> gToggleKeyStates = {true, true, true, true, true, true, true, true, true, true};
double gSecondsPerTick = 0.0;
uint32_t gRandomSeed = 0;
