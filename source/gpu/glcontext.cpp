#include "gpu/glcontext.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>

namespace gpu {
namespace {

std::string EglErrorText(const char* step) {
    char text[96];
    std::snprintf(text, sizeof(text), "%s failed (EGL error 0x%04X)", step, static_cast<unsigned>(eglGetError()));
    return text;
}

EGLDisplay OpenSurfacelessDisplay() {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    if (!eglInitialize(display, nullptr, nullptr)) return EGL_NO_DISPLAY;
    return display;
}

EGLDisplay OpenDeviceDisplay() {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) return EGL_NO_DISPLAY;
    EGLDeviceEXT devices[8];
    EGLint count = 0;
    if (!eglQueryDevicesEXT(8, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i) {
        EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
    }
    return EGL_NO_DISPLAY;
}

bool HasGl45() { return epoxy_gl_version() >= 45; }

bool gAbandoned = false;

}  // namespace

std::unique_ptr<GlContext> GlContext::Create(SDL_Window* window, std::string* error) {
    std::unique_ptr<GlContext> context(new GlContext());
    bool ok = window ? context->CreateWindowed(window, error) : context->CreateHeadless(error);
    if (!ok) return nullptr;
    if (!HasGl45()) {
        *error = "OpenGL 4.5 is not available";
        return nullptr;
    }
    return context;
}

bool GlContext::CreateHeadless(std::string* error) {
    EGLDisplay display = OpenSurfacelessDisplay();
    if (display == EGL_NO_DISPLAY) display = OpenDeviceDisplay();
    if (display == EGL_NO_DISPLAY) {
        *error = "no EGL display (neither surfaceless nor device platform)";
        return false;
    }
    eglDisplay_ = display;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context") &&
        !epoxy_has_egl_extension(display, "EGL_MESA_configless_context")) {
        *error = "EGL display cannot create a context without a config";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = EglErrorText("eglBindAPI");
        return false;
    }
    const EGLint attributes[] = {
        EGL_CONTEXT_MAJOR_VERSION, 4,
        EGL_CONTEXT_MINOR_VERSION, 5,
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
        EGL_NONE,
    };
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        *error = EglErrorText("eglCreateContext (OpenGL 4.5 core)");
        return false;
    }
    eglContext_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        *error = EglErrorText("eglMakeCurrent");
        return false;
    }
    return true;
}

bool GlContext::CreateWindowed(SDL_Window* window, std::string* error) {
    window_ = window;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        *error = SDL_GetError();
        return false;
    }
    sdlContext_ = context;
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        *error = SDL_GetError();
        return false;
    }
    return true;
}

void GlContext::AbandonAtExit() { gAbandoned = true; }

GlContext::~GlContext() {
    if (gAbandoned) return;
    if (sdlContext_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(sdlContext_));
    }
    if (eglDisplay_) {
        EGLDisplay display = static_cast<EGLDisplay>(eglDisplay_);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (eglContext_) eglDestroyContext(display, static_cast<EGLContext>(eglContext_));
        // The display is left initialised: EGL displays are shared per process and
        // terminating one under another user (a second device in tests) breaks it.
    }
}

}  // namespace gpu
