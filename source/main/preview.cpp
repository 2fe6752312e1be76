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

void ReportPreview(const std::string& fileName) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(fileName, error);
    if (error || std::filesystem::file_size(path, error) == 0 || error) {
        std::printf("No preview was written; Lumivane.log says why.\n");
        return;
    }
    std::printf("The preview is in %s\n", path.c_str());
}
