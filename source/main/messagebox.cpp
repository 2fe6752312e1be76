#include "main/messagebox.h"

#include <SDL.h>

#include <cstdio>

#include "system/globals.h"

void ShowErrorMessage(const char* text, const char* caption, bool interactive) {
    if (interactive && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, gWindow) == 0) return;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}
