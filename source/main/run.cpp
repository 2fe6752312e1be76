#include "main/run.h"

#include <SDL.h>

#include "graphics/devicestate.h"
#include "system/globals.h"
#include "system/log.h"

namespace {

// Takes every pending window event without waiting. Escape and closing the window quit.
void PumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) gQuit = true;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) gQuit = true;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) gQuit = true;
    }
}

}  // namespace

void Run(const std::string& demoFile, bool transport, bool silent, bool video, const RunOptions& options) {
    LOG("Starting main loop");
    static constexpr float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    int frame = 0;
    while (!gQuit) {
        if (gWindow && !options.headless) PumpEvents();
        if (gContext && gBackBufferView) gContext->ClearRenderTargetView(gBackBufferView, kBlack);
        if (gSwapChain) gSwapChain->Present(1);
        ++frame;
        if (options.frames > 0 && frame >= options.frames) break;
    }
    LOG("Exited main loop");
}
