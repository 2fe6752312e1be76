#include "platform/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "system/globals.h"
#include "system/log.h"

bool HasDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

bool InitialiseWindow(bool alwaysOnTop) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        LOG("Failed to initialise video: %s", SDL_GetError());
        return false;
    }
    if (!HasDisplay()) {
        LOG("No display to open the window on (run with -headless to play without one)");
        return false;
    }

    // The attributes apply to the next context created, which the gpu layer makes on gWindow.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The back buffer is an offscreen texture; the window needs no depth of its own.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    // Centre the client area on the primary display; never push the title bar off its
    // top-left corner when the render size is larger than the display.
    const int width = gOutputWidth;
    const int height = gOutputHeight;
    SDL_Rect display{0, 0, width, height};
    SDL_GetDisplayBounds(0, &display);
    int x = display.x + std::max(0, (display.w - width) / 2);
    int y = display.y + std::max(0, (display.h - height) / 2);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (alwaysOnTop) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* window = SDL_CreateWindow("Lumivane - Quillon", x, y, width, height, flags);
    if (!window) {
        LOG("Failed to create window: %s", SDL_GetError());
        return false;
    }
    gWindow = window;

    SDL_ShowCursor(SDL_DISABLE);
    SDL_RaiseWindow(window);
    return true;
}
