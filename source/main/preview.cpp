#include "main/preview.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

#include "platform/window.h"

bool DisplayAvailable() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const bool available = HasDisplay();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return available;
}

std::string AbsolutePath(const std::string& fileName) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(fileName, error);
    return error ? fileName : path.string();
}
