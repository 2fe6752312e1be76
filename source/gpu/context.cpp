// gpu::Context: binding calls. They only record D3D-style state; GL sees it at draw time.
#include "gpu/context.h"

#include <epoxy/gl.h>

#include <cstring>
#include <vector>

#include "gpu/contextimpl.h"
#include "gpu/glconvert.h"
#include "gpu/gllifetime.h"
#include "system/log.h"

namespace gpu {
namespace {

uint32_t MakeZeroTexture(GLenum target, GLuint zeroBuffer) {
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    switch (target) {
        case GL_TEXTURE_2D_MULTISAMPLE: glTextureStorage2DMultisample(name, 1, GL_RGBA8, 1, 1, GL_TRUE); break;
        case GL_TEXTURE_2D_MULTISAMPLE_ARRAY: glTextureStorage3DMultisample(name, 1, GL_RGBA8, 1, 1, 1, GL_TRUE); break;
        case GL_TEXTURE_1D: glTextureStorage1D(name, 1, GL_RGBA8, 1); break;
        case GL_TEXTURE_1D_ARRAY:
        case GL_TEXTURE_2D:
        case GL_TEXTURE_CUBE_MAP: glTextureStorage2D(name, 1, GL_RGBA8, 1, 1); break;
        case GL_TEXTURE_CUBE_MAP_ARRAY: glTextureStorage3D(name, 1, GL_RGBA8, 1, 1, 6); break;
        case GL_TEXTURE_BUFFER: glTextureBuffer(name, GL_RGBA8, zeroBuffer); return name;
        default: glTextureStorage3D(name, 1, GL_RGBA8, 1, 1, 1); break;  // 3D, 2D array
    }
    glClearTexImage(name, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return name;
}

uint32_t MakeSampler(GLenum filter) {
    GLuint sampler = 0;
    glCreateSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter == GL_LINEAR ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    return sampler;
}

constexpr uint32_t kZeroBufferBytes = 65536;

template <typename T, size_t N>
bool SetSlots(std::array<T, N>& slots, uint32_t start, uint32_t count, const T* values) {
    bool changed = false;
    for (uint32_t i = 0; i < count && start + i < N; ++i) {
        const T& value = values ? values[i] : T();
        if (slots[start + i] != value) {
            slots[start + i] = value;
            changed = true;
        }
    }
    return changed;
}

}  // namespace

Context::Impl::Impl(uint32_t generation_) : generation(generation_), framebuffers(generation_) {
    glCreateVertexArrays(1, &emptyVao);
    glCreateBuffers(1, &zeroBuffer);
    std::vector<uint8_t> zeros(kZeroBufferBytes, 0);
    glNamedBufferData(zeroBuffer, kZeroBufferBytes, zeros.data(), GL_STATIC_DRAW);
    for (uint32_t kind = 0; kind < ShaderBlob::kTextureKindCount; ++kind) {
        zeroTextures[kind] = MakeZeroTexture(ToGlTarget(static_cast<ShaderBlob::TextureKind>(kind)), zeroBuffer);
    }
    pointSampler = MakeSampler(GL_NEAREST);
    linearSampler = MakeSampler(GL_LINEAR);
}

Context::Impl::~Impl() {
    if (!GlAlive(generation)) return;
    for (auto& [key, pipeline] : pipelines) glDeleteProgramPipelines(1, &pipeline.gl);
    glDeleteVertexArrays(1, &emptyVao);
    glDeleteTextures(ShaderBlob::kTextureKindCount, zeroTextures);
    glDeleteTextures(1, &scratchTexture);
    if (scratchFbo) glDeleteFramebuffers(1, &scratchFbo);
    glDeleteBuffers(1, &zeroBuffer);
    glDeleteSamplers(1, &pointSampler);
    glDeleteSamplers(1, &linearSampler);
}

Context::~Context() = default;

const Context::Stats& Context::GetStats() const { return impl_->stats; }

void Context::Finish() { glFinish(); }

void Context::IASetInputLayout(const InputLayoutPtr& layout) { impl_->layout = layout; }

void Context::IASetVertexBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers, const uint32_t* strides,
                                 const uint32_t* offsets) {
    for (uint32_t i = 0; i < count && startSlot + i < kMaxVertexBufferSlots; ++i) {
        impl_->vertexBuffers[startSlot + i] = buffers ? buffers[i] : nullptr;
        impl_->strides[startSlot + i] = strides ? strides[i] : 0;
        impl_->offsets[startSlot + i] = offsets ? offsets[i] : 0;
    }
}

void Context::IASetIndexBuffer(const BufferPtr& buffer, Format format, uint32_t offset) {
    impl_->indexBuffer = buffer;
    impl_->indexFormat = format == Format::R32_UInt ? Format::R32_UInt : Format::R16_UInt;
    impl_->indexOffset = offset;
}

void Context::IASetPrimitiveTopology(PrimitiveTopology topology) { impl_->topology = topology; }

void Context::VSSetShader(const VertexShaderPtr& shader) { impl_->vs = shader; }
void Context::PSSetShader(const PixelShaderPtr& shader) { impl_->ps = shader; }

void Context::VSSetConstantBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers) {
    SetSlots(impl_->stages[0].constantBuffers, startSlot, count, buffers);
}
void Context::PSSetConstantBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers) {
    SetSlots(impl_->stages[1].constantBuffers, startSlot, count, buffers);
}
void Context::VSSetShaderResources(uint32_t startSlot, uint32_t count, const ShaderResourceViewPtr* views) {
    SetSlots(impl_->stages[0].views, startSlot, count, views);
}
void Context::PSSetShaderResources(uint32_t startSlot, uint32_t count, const ShaderResourceViewPtr* views) {
    SetSlots(impl_->stages[1].views, startSlot, count, views);
}
void Context::VSSetSamplers(uint32_t startSlot, uint32_t count, const SamplerStatePtr* samplers) {
    SetSlots(impl_->stages[0].samplers, startSlot, count, samplers);
}
void Context::PSSetSamplers(uint32_t startSlot, uint32_t count, const SamplerStatePtr* samplers) {
    SetSlots(impl_->stages[1].samplers, startSlot, count, samplers);
}

void Context::OMSetRenderTargets(uint32_t count, const RenderTargetViewPtr* views, const DepthStencilViewPtr& depth) {
    Impl& s = *impl_;
    if (count > kMaxRenderTargets) count = kMaxRenderTargets;
    bool changed = count != s.targetCount || depth != s.depthView;
    for (uint32_t i = 0; i < kMaxRenderTargets; ++i) {
        RenderTargetViewPtr view = (i < count && views) ? views[i] : nullptr;
        if (view != s.targets[i]) {
            s.targets[i] = std::move(view);
            changed = true;
        }
    }
    s.targetCount = count;
    s.depthView = depth;
    if (!changed) return;
    s.framebufferDirty = true;
    // A resource cannot be read and written at once: its shader views are unbound.
    for (StageBindings& stage : s.stages) {
        for (ShaderResourceViewPtr& view : stage.views) {
            if (view && s.IsBoundAsTarget(view->GetResource().get())) view.reset();
        }
    }
}

void Context::OMSetBlendState(const BlendStatePtr& state, const float blendFactor[4], uint32_t sampleMask) {
    Impl& s = *impl_;
    float factor[4] = {1, 1, 1, 1};
    if (blendFactor) std::memcpy(factor, blendFactor, sizeof(factor));
    if (state == s.blend && std::memcmp(factor, s.blendFactor, sizeof(factor)) == 0 && sampleMask == s.sampleMask) return;
    s.blend = state;
    std::memcpy(s.blendFactor, factor, sizeof(factor));
    s.sampleMask = sampleMask;
    s.blendDirty = true;
}

void Context::OMSetDepthStencilState(const DepthStencilStatePtr& state, uint32_t stencilRef) {
    if (state == impl_->depthState && stencilRef == impl_->stencilRef) return;
    impl_->depthState = state;
    impl_->stencilRef = stencilRef;
    impl_->depthDirty = true;
}

void Context::RSSetState(const RasterizerStatePtr& state) {
    if (state == impl_->rasterizer) return;
    impl_->rasterizer = state;
    impl_->rasterizerDirty = true;
}

void Context::RSSetViewports(uint32_t count, const Viewport* viewports) {
    Impl& s = *impl_;
    if (count > kMaxViewports) count = kMaxViewports;
    if (count == s.viewportCount && std::memcmp(viewports, s.viewports.data(), count * sizeof(Viewport)) == 0) return;
    for (uint32_t i = 0; i < count; ++i) s.viewports[i] = viewports[i];
    s.viewportCount = count;
    s.viewportDirty = true;
}

bool Context::Impl::IsBoundAsTarget(const Resource* resource) const {
    if (!resource) return false;
    for (uint32_t i = 0; i < targetCount; ++i) {
        if (targets[i] && targets[i]->GetResource().get() == resource) return true;
    }
    return depthView && depthView->GetResource().get() == resource;
}

}  // namespace gpu
