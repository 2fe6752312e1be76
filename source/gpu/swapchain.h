#pragma once
// gpu::SwapChain owns the back buffer: an offscreen render texture of the client size,
// multisampled when anti-aliasing is on. Presenting resolves it and blits it to the window
// (rows flipped); headless, presenting only completes the frame.
#include <cstdint>
#include <memory>

#include "gpu/resources.h"
#include "gpu/types.h"

namespace gpu {

class SwapChain {
public:
    ~SwapChain();
    SwapChain(const SwapChain&) = delete;
    SwapChain& operator=(const SwapChain&) = delete;

    // Buffer 0, the back buffer texture (shared: views of it keep it alive).
    Texture2DPtr GetBuffer() const;
    // Recreates the back buffer at the new size, keeping format and samples. Views of the
    // old buffer stay valid objects but no longer reach the window.
    bool ResizeBuffers(uint32_t width, uint32_t height);
    // syncInterval 1 waits for vertical sync; where there is none (headless, Xvfb), it
    // paces to 60 frames per second itself. 0 never waits.
    void Present(uint32_t syncInterval);
    bool SetFullscreenState(bool fullscreen);
    bool GetFullscreenState() const;

private:
    friend class Device;
    SwapChain() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gpu
