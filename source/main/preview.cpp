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

void PrintRecordingProgress(unsigned done, unsigned total, double elapsedSeconds) {
    if (total == 0) return;
    constexpr unsigned kWidth = 30;
    char bar[kWidth + 1];
    const unsigned filled = done >= total ? kWidth : done * kWidth / total;
    for (unsigned i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
    bar[kWidth] = '\0';
    const unsigned percent = done >= total ? 100u : done * 100u / total;
    if (done == 0) {
        std::fprintf(stderr, "\r[%s] %3u%%", bar, percent);
    } else {
        const double left = elapsedSeconds / done * (total > done ? total - done : 0);
        const long seconds = static_cast<long>(left + 0.5);
        std::fprintf(stderr, "\r[%s] %3u%%  %ld:%02ld left ", bar, percent, seconds / 60, seconds % 60);
    }
    if (done >= total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::string AbsolutePath(const std::string& fileName) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(fileName, error);
    return error ? fileName : path.string();
}
