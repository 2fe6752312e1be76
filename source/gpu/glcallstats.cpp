#include "gpu/glcallstats.h"

#include <epoxy/gl.h>
#include <time.h>


namespace gpu {
namespace {

GlCallStats gStats;
bool gEnabled = false;

double Now() { return ThreadCpuSeconds(); }

// Replaces one of the loader's function pointers by a wrapper that counts and times the
// call. The loader's first-use stub resolves the driver's function and calls it through the
// pointer, so the first call after hooking runs with the pointer restored, then hooks the
// resolved function.
template <auto Slot>
struct Hook;

template <typename R, typename... A, R (*EPOXY_CALLSPEC* Slot)(A...)>
struct Hook<Slot> {
    static inline R(EPOXY_CALLSPEC* real)(A...) = nullptr;
    static inline bool settled = false;

    static R EPOXY_CALLSPEC Call(A... args) {
        if (!settled) *Slot = real;
        const double start = Now();
        struct Count {
            double start;
            ~Count() {
                gStats.seconds += Now() - start;
                ++gStats.calls;
                if (!settled) {
                    real = *Slot;
                    *Slot = &Call;
                    settled = true;
                }
            }
        } count{start};
        return real(args...);
    }
    static void Install() {
        if (*Slot == &Call) return;
        real = *Slot;
        settled = false;
        *Slot = &Call;
    }
    static void Remove() {
        if (*Slot == &Call) *Slot = real;
    }
};

// Every GL entry point the gpu layer uses.
#define LV_GL_CALLS(X)                                                                                     \
    X(BindBuffer) X(BindBufferRange) X(BindFramebuffer) X(BindProgramPipeline) X(BindSampler)              \
    X(BindTextureUnit) X(BindVertexArray) X(BlendColor) X(BlendEquationSeparatei) X(BlendFuncSeparatei)    \
    X(BlitNamedFramebuffer) X(CheckNamedFramebufferStatus) X(Clear) X(ClearColor)                          \
    X(ClearNamedFramebufferfi) X(ClearNamedFramebufferfv) X(ClearNamedFramebufferiv) X(ClearTexImage)      \
    X(ClientWaitSync) X(ClipControl) X(ColorMaski) X(CopyImageSubData) X(CopyNamedBufferSubData)           \
    X(CreateBuffers) X(CreateFramebuffers) X(CreateProgramPipelines) X(CreateSamplers)                     \
    X(CreateShaderProgramv) X(CreateTextures) X(CreateVertexArrays) X(CullFace) X(DeleteBuffers)           \
    X(DeleteFramebuffers) X(DeleteProgram) X(DeleteProgramPipelines) X(DeleteSamplers) X(DeleteSync)       \
    X(DeleteTextures) X(DeleteVertexArrays) X(DepthFunc) X(DepthMask) X(DepthRangeIndexed) X(Disable)      \
    X(Disablei) X(DrawArraysInstancedBaseInstance) X(DrawElementsInstancedBaseVertexBaseInstance)          \
    X(Enable) X(EnableVertexArrayAttrib) X(Enablei) X(FenceSync) X(Finish) X(Flush) X(FrontFace)           \
    X(GenerateTextureMipmap) X(GetIntegerv) X(GetInternalformativ) X(GetNamedBufferSubData)                \
    X(GetProgramInfoLog) X(GetProgramiv) X(GetString) X(GetTextureImage) X(MapNamedBufferRange)            \
    X(NamedBufferData) X(NamedBufferSubData) X(NamedFramebufferDrawBuffer) X(NamedFramebufferDrawBuffers)  \
    X(NamedFramebufferReadBuffer) X(NamedFramebufferTexture) X(PixelStorei) X(PolygonMode)                 \
    X(PolygonOffsetClamp) X(ProvokingVertex) X(SampleMaski) X(SamplerParameterf) X(SamplerParameterfv)     \
    X(SamplerParameteri) X(StencilFuncSeparate) X(StencilMask) X(StencilOpSeparate) X(TextureParameteri)   \
    X(TextureStorage2D) X(TextureStorage2DMultisample) X(TextureStorage3D) X(TextureSubImage2D)            \
    X(TextureSubImage3D) X(UnmapNamedBuffer) X(UseProgramStages) X(VertexArrayAttribBinding)               \
    X(VertexArrayAttribFormat) X(VertexArrayAttribIFormat) X(VertexArrayBindingDivisor)                    \
    X(VertexArrayElementBuffer) X(VertexArrayVertexBuffer) X(Viewport) X(ViewportIndexedf)                 \
    X(QueryCounter) X(GetQueryObjectui64v) X(GetQueryObjectiv) X(GenQueries) X(DeleteQueries)

void InstallAll() {
#define LV_INSTALL(name) Hook<&epoxy_gl##name>::Install();
    LV_GL_CALLS(LV_INSTALL)
#undef LV_INSTALL
}

void RemoveAll() {
#define LV_REMOVE(name) Hook<&epoxy_gl##name>::Remove();
    LV_GL_CALLS(LV_REMOVE)
#undef LV_REMOVE
}

}  // namespace

double ThreadCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void EnableGlCallStats(bool enable) {
    gEnabled = enable;
    if (enable) {
        InstallAll();
    } else {
        RemoveAll();
    }
    gStats = GlCallStats();
}

void ResetGlCallStats() {
    if (gEnabled) InstallAll();
    gStats = GlCallStats();
}

const GlCallStats& GetGlCallStats() { return gStats; }

}  // namespace gpu
