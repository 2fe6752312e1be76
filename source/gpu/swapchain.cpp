// gpu::SwapChain: an offscreen back buffer, presented by a flipped blit to the window or,
// headless, by completing the frame.
#include "gpu/swapchain.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <chrono>
#include <thread>

#include "gpu/device.h"
#include "gpu/deviceimpl.h"
#include "gpu/glaccess.h"
#include "gpu/gllifetime.h"
#include "system/log.h"

namespace gpu {

using Clock = std::chrono::steady_clock;

struct SwapChain::Impl {
    Device* device = nullptr;
    SDL_Window* window = nullptr;
    uint32_t generation = 0;
    SwapChainDesc desc;
    Texture2DPtr buffer;
    bool fullscreen = false;
    int swapInterval = -1;          // what SDL was last asked for
    Clock::time_point nextFrame{};  // pacing deadline where there is no vertical sync
    // Present's own GL objects: framebuffers reading the back buffer and its resolve copy.
    uint32_t readFbo = 0;
    uint32_t resolveFbo = 0;
    uint32_t resolveTexture = 0;
    uint32_t attachedTexture = 0;   // back buffer currently attached to readFbo

    bool MakeBuffer(uint32_t width, uint32_t height);
    void ReleaseGl();
    void Pace(uint32_t syncInterval);
    void BlitToWindow();
};

bool SwapChain::Impl::MakeBuffer(uint32_t width, uint32_t height) {
    Texture2DDesc td;
    td.Width = width;
    td.Height = height;
    td.Format = desc.Format;
    td.SampleDesc = desc.SampleDesc;
    td.BindFlags = BIND_RENDER_TARGET | BIND_SHADER_RESOURCE;
    Texture2DPtr texture = device->CreateTexture2D(td, nullptr);
    if (!texture) return false;
    buffer = std::move(texture);
    desc.Width = width;
    desc.Height = height;
    ReleaseGl();
    return true;
}

void SwapChain::Impl::ReleaseGl() {
    if (!GlAlive(generation)) return;
    if (readFbo) glDeleteFramebuffers(1, &readFbo);
    if (resolveFbo) glDeleteFramebuffers(1, &resolveFbo);
    if (resolveTexture) glDeleteTextures(1, &resolveTexture);
    if (readFbo || resolveFbo || resolveTexture) NoteGlDeletion();
    readFbo = resolveFbo = resolveTexture = attachedTexture = 0;
}

void SwapChain::Impl::Pace(uint32_t syncInterval) {
    if (syncInterval == 0) return;
    // Sixty frames per second per sync interval, on deadlines so the average holds even
    // when a single frame is late; a run that falls far behind starts afresh.
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(syncInterval / 60.0));
    Clock::time_point now = Clock::now();
    if (nextFrame == Clock::time_point{} || now > nextFrame + period) nextFrame = now;
    if (now < nextFrame) std::this_thread::sleep_until(nextFrame);
    nextFrame += period;
}

void SwapChain::Impl::BlitToWindow() {
    const GLint w = static_cast<GLint>(desc.Width), h = static_cast<GLint>(desc.Height);
    uint32_t texture = GlAccess::Texture(buffer.get()).name;
    if (!readFbo) glCreateFramebuffers(1, &readFbo);
    if (attachedTexture != texture) {
        glNamedFramebufferTexture(readFbo, GL_COLOR_ATTACHMENT0, texture, 0);
        attachedTexture = texture;
    }
    GLuint source = readFbo;
    if (buffer->GetDesc().SampleDesc.Count > 1) {
        if (!resolveTexture) {
            glCreateTextures(GL_TEXTURE_2D, 1, &resolveTexture);
            glTextureStorage2D(resolveTexture, 1, GL_RGBA8, w, h);
            glCreateFramebuffers(1, &resolveFbo);
            glNamedFramebufferTexture(resolveFbo, GL_COLOR_ATTACHMENT0, resolveTexture, 0);
        }
        glBlitNamedFramebuffer(readFbo, resolveFbo, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        source = resolveFbo;
    }
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    // Row 0 of the back buffer is the top of the picture; the window's row 0 is its bottom.
    GLenum filter = (drawableW == w && drawableH == h) ? GL_NEAREST : GL_LINEAR;
    glBlitNamedFramebuffer(source, 0, 0, 0, w, h, 0, drawableH, drawableW, 0, GL_COLOR_BUFFER_BIT, filter);
}

SwapChain::~SwapChain() {
    if (impl_) impl_->ReleaseGl();
}

Texture2DPtr SwapChain::GetBuffer() const { return impl_->buffer; }

bool SwapChain::ResizeBuffers(uint32_t width, uint32_t height) {
    if ((width == 0 || height == 0) && impl_->window) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(impl_->window, &w, &h);
        width = static_cast<uint32_t>(w);
        height = static_cast<uint32_t>(h);
    }
    if (width == 0 || height == 0) return false;
    return impl_->MakeBuffer(width, height);
}

void SwapChain::Present(uint32_t syncInterval) {
    Impl& s = *impl_;
    if (!s.window) {
        glFlush();
        s.Pace(syncInterval);
        return;
    }
    s.BlitToWindow();
    int interval = syncInterval > 0 ? 1 : 0;
    if (interval != s.swapInterval) {
        SDL_GL_SetSwapInterval(interval);
        s.swapInterval = interval;
    }
    SDL_GL_SwapWindow(s.window);
    // Without real vertical sync (Xvfb, drivers ignoring the interval) the swap returns at
    // once; the deadline keeps such runs at sixty frames per second. With vertical sync the
    // swap already waited and the deadline has passed.
    s.Pace(syncInterval);
}

bool SwapChain::SetFullscreenState(bool fullscreen) {
    if (!impl_->window) {
        impl_->fullscreen = fullscreen;
        return true;
    }
    if (SDL_SetWindowFullscreen(impl_->window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        LOG("Failed to switch full-screen mode: %s", SDL_GetError());
        return false;
    }
    impl_->fullscreen = fullscreen;
    return true;
}

bool SwapChain::GetFullscreenState() const { return impl_->fullscreen; }

SwapChainPtr Device::CreateSwapChain(const SwapChainDesc& desc) {
    SwapChainPtr chain(new SwapChain());
    chain->impl_ = std::make_unique<SwapChain::Impl>();
    SwapChain::Impl& s = *chain->impl_;
    s.device = this;
    s.window = impl_->gl->GetWindow();
    s.generation = impl_->generation;
    s.desc = desc;
    if (!s.MakeBuffer(desc.Width, desc.Height)) return nullptr;
    return chain;
}

}  // namespace gpu
