#pragma once
// The OpenGL 4.5 core context the device draws with: SDL2's on a window, or a surfaceless
// EGL context for headless runs. Made current on creation and released on destruction.
#include <memory>
#include <string>

struct SDL_Window;

namespace gpu {

class GlContext {
public:
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // Null window: headless. On failure returns null and describes why in *error.
    static std::unique_ptr<GlContext> Create(SDL_Window* window, std::string* error);

    SDL_Window* GetWindow() const { return window_; }

    // From now on contexts are left to the process's end: destroying one calls no driver.
    static void AbandonAtExit();

private:
    GlContext() = default;
    bool CreateHeadless(std::string* error);
    bool CreateWindowed(SDL_Window* window, std::string* error);

    SDL_Window* window_ = nullptr;
    void* sdlContext_ = nullptr;
    void* eglDisplay_ = nullptr;
    void* eglContext_ = nullptr;
};

}  // namespace gpu
