// Device creation, adapter queries and the swap-chain factory.
#include "gpu/device.h"

#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>

#include "gpu/context.h"
#include "gpu/contextimpl.h"
#include "gpu/deviceimpl.h"
#include "gpu/gllifetime.h"
#include "gpu/glconvert.h"
#include "gpu/swapchain.h"
#include "system/log.h"

namespace gpu {
namespace {

// GL state that reproduces D3D11's conventions; set once per context.
void SetD3DConventions() {
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glDisable(GL_DITHER);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

// With LUMIVANE_GL_DEBUG set, GL's own error reports go to the log (for debugging the layer).
void GLAPIENTRY ReportGlMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message, const void*) {
    if (type == GL_DEBUG_TYPE_ERROR || severity == GL_DEBUG_SEVERITY_HIGH) LOG("GL: %s", message);
}

void EnableDebugOutput() {
    if (!std::getenv("LUMIVANE_GL_DEBUG")) return;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(ReportGlMessage, nullptr);
}

// At process exit a driver may tear itself down before the static objects that still hold
// GL names are destroyed (NVIDIA's EGL does, and calls into it then crash). Registered after
// the driver is up, this runs before its teardown and ends GL use for the rest of the exit.
void AbandonGlAtExit() {
    EndGlGeneration();
    GlContext::AbandonAtExit();
}

}  // namespace

bool CreateDevice(SDL_Window* window, DevicePtr* device, ContextPtr* context, std::string* error) {
    std::string why;
    std::unique_ptr<GlContext> gl = GlContext::Create(window, &why);
    if (!gl) {
        if (error) *error = why;
        return false;
    }
    SetD3DConventions();
    EnableDebugOutput();

    DevicePtr newDevice(new Device());
    newDevice->impl_ = std::make_unique<Device::Impl>();
    newDevice->impl_->gl = std::move(gl);
    newDevice->impl_->generation = BeginGlGeneration();
    static const bool atExitRegistered = std::atexit(AbandonGlAtExit) == 0;
    (void)atExitRegistered;
    glGetIntegerv(GL_MAX_COLOR_TEXTURE_SAMPLES, &newDevice->impl_->maxColorSamples);
    glGetIntegerv(GL_MAX_DEPTH_TEXTURE_SAMPLES, &newDevice->impl_->maxDepthSamples);
    GLint maxSize = 0, max3DSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &max3DSize);
    if (maxSize > 0) newDevice->impl_->maxTextureSize = static_cast<uint32_t>(maxSize);
    if (max3DSize > 0) newDevice->impl_->max3DTextureSize = static_cast<uint32_t>(max3DSize);
    GLint maxLayers = 0;
    glGetIntegerv(GL_MAX_ARRAY_TEXTURE_LAYERS, &maxLayers);
    if (maxLayers > 0) newDevice->impl_->maxArrayLayers = static_cast<uint32_t>(maxLayers);

    ContextPtr newContext(new Context());
    newContext->impl_ = std::make_unique<Context::Impl>(newDevice->impl_->generation);

    *device = std::move(newDevice);
    *context = std::move(newContext);
    return true;
}

Device::~Device() {
    if (!impl_) return;
    if (GlAlive(impl_->generation)) glFinish();
    EndGlGeneration();
    impl_->gl.reset();
}

AdapterInfo Device::GetAdapterInfo() const {
    AdapterInfo info;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    info.description = renderer ? renderer : "unknown";
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "SwiftShader"})
        info.software |= info.description.find(name) != std::string::npos;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    info.maxTextureSize = static_cast<uint32_t>(maxSize > 0 ? maxSize : 0);
    GLint kb[4] = {};
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
        glGetIntegerv(GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX, kb);
        info.dedicatedVideoMemoryMB = static_cast<uint32_t>(kb[0]) >> 10;
    } else if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
        // Only free memory is reported; it is the best estimate there is.
        glGetIntegerv(GL_TEXTURE_FREE_MEMORY_ATI, kb);
        info.dedicatedVideoMemoryMB = static_cast<uint32_t>(kb[0]) >> 10;
    }
    return info;
}

bool Device::CheckMultisampleQualityLevels(Format format, uint32_t sampleCount, uint32_t* qualityLevels) const {
    *qualityLevels = 0;
    GlFormat gl = ToGl(format);
    if (gl.internalFormat == 0 || sampleCount == 0) return false;
    if (sampleCount == 1) {
        *qualityLevels = 1;
        return true;
    }
    GLint count = 0;
    glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, gl.internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &count);
    if (count <= 0) return false;
    std::vector<GLint> samples(static_cast<size_t>(count));
    glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, gl.internalFormat, GL_SAMPLES, count, samples.data());
    for (GLint s : samples) {
        if (static_cast<uint32_t>(s) == sampleCount) {
            *qualityLevels = 1;  // GL has no quality levels beyond the standard pattern
            return true;
        }
    }
    return false;
}

}  // namespace gpu
