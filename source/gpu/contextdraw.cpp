// gpu::Context draw calls: bound state is sent to GL here, skipping what GL already has.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "gpu/context.h"
#include "gpu/contextimpl.h"
#include "gpu/glaccess.h"
#include "gpu/glconvert.h"
#include "gpu/gllifetime.h"
#include "system/log.h"

namespace gpu {
namespace {

// D3D's behaviour when no state object is bound.
const BlendDesc kDefaultBlend{};
const DepthStencilDesc kDefaultDepth{};
const RasterizerDesc kDefaultRasterizer{};

void SetEnabled(GLenum cap, bool on) {
    if (on) glEnable(cap);
    else glDisable(cap);
}

void ApplyStencilFace(GLenum face, const DepthStencilOpDesc& op, uint32_t ref, uint8_t readMask) {
    glStencilFuncSeparate(face, ToGlCompare(op.StencilFunc), static_cast<GLint>(ref & 0xFF), readMask);
    glStencilOpSeparate(face, ToGlStencilOp(op.StencilFailOp), ToGlStencilOp(op.StencilDepthFailOp),
                        ToGlStencilOp(op.StencilPassOp));
}

}  // namespace

bool Context::Impl::ApplyPipeline() {
    // A pipeline whose shaders are gone: its key's addresses may belong to new shaders, and
    // GL keeps the old programs alive for as long as the pipeline references them.
    auto dead = [](const auto& entry) {
        return entry.second.vs.expired() || (entry.first.second && entry.second.ps.expired());
    };
    std::pair<const void*, const void*> key(vs.get(), ps.get());
    auto it = pipelines.find(key);
    if (it != pipelines.end() && dead(*it)) it = pipelines.end();
    if (it == pipelines.end()) {
        // New shaders usually replace old ones (a reload): drop every dead pipeline now.
        for (auto i = pipelines.begin(); i != pipelines.end();) {
            if (!dead(*i)) {
                ++i;
                continue;
            }
            if (glPipeline == i->second.gl) glPipeline = ~0u;
            glDeleteProgramPipelines(1, &i->second.gl);
            i = pipelines.erase(i);
        }
        Pipeline pipeline;
        pipeline.vs = vs;
        pipeline.ps = ps;
        glCreateProgramPipelines(1, &pipeline.gl);
        glUseProgramStages(pipeline.gl, GL_VERTEX_SHADER_BIT, vs->program_);
        if (ps) glUseProgramStages(pipeline.gl, GL_FRAGMENT_SHADER_BIT, ps->program_);
        ++stats.programLinks;
        it = pipelines.emplace(key, pipeline).first;
    }
    stats.pipelines = pipelines.size();
    if (glPipeline != it->second.gl) {
        glBindProgramPipeline(it->second.gl);
        glPipeline = it->second.gl;
    }
    return true;
}

namespace {

// Two target blend settings that draw alike: the functions count only while blending is on.
bool SameBlend(const RenderTargetBlendDesc& a, const RenderTargetBlendDesc& b) {
    if (a.BlendEnable != b.BlendEnable || a.RenderTargetWriteMask != b.RenderTargetWriteMask) return false;
    return !a.BlendEnable || (a.SrcBlend == b.SrcBlend && a.DestBlend == b.DestBlend && a.BlendOp == b.BlendOp &&
                              a.SrcBlendAlpha == b.SrcBlendAlpha && a.DestBlendAlpha == b.DestBlendAlpha &&
                              a.BlendOpAlpha == b.BlendOpAlpha);
}

void SetColorMask(GLint target, uint8_t m) {
    const bool r = m & COLOR_WRITE_ENABLE_RED, g = m & COLOR_WRITE_ENABLE_GREEN, b = m & COLOR_WRITE_ENABLE_BLUE,
               a = m & COLOR_WRITE_ENABLE_ALPHA;
    if (target < 0) glColorMask(r, g, b, a);
    else glColorMaski(static_cast<GLuint>(target), r, g, b, a);
}

// Sets one target's blending (target < 0: every target's at once) as `rt` says.
void SetTargetBlend(GLint target, const RenderTargetBlendDesc& rt, const RenderTargetBlendDesc& was, bool known) {
    const GLuint i = static_cast<GLuint>(target);
    if (!known || rt.BlendEnable != was.BlendEnable) {
        if (target < 0) SetEnabled(GL_BLEND, rt.BlendEnable);
        else if (rt.BlendEnable) glEnablei(GL_BLEND, i);
        else glDisablei(GL_BLEND, i);
    }
    if (rt.BlendEnable && (!known || !was.BlendEnable || !SameBlend(rt, was))) {
        const GLenum src = ToGlBlend(rt.SrcBlend), dst = ToGlBlend(rt.DestBlend);
        const GLenum srcAlpha = ToGlBlend(rt.SrcBlendAlpha), dstAlpha = ToGlBlend(rt.DestBlendAlpha);
        const GLenum op = ToGlBlendOp(rt.BlendOp), opAlpha = ToGlBlendOp(rt.BlendOpAlpha);
        if (target < 0) {
            glBlendFuncSeparate(src, dst, srcAlpha, dstAlpha);
            glBlendEquationSeparate(op, opAlpha);
        } else {
            glBlendFuncSeparatei(i, src, dst, srcAlpha, dstAlpha);
            glBlendEquationSeparatei(i, op, opAlpha);
        }
    }
    if (!known || rt.RenderTargetWriteMask != was.RenderTargetWriteMask) SetColorMask(target, rt.RenderTargetWriteMask);
}

}  // namespace

void Context::Impl::ApplyBlend(const BlendDesc& d) {
    AppliedBlend& gl = appliedBlend;
    if (!d.IndependentBlendEnable) {
        // One setting for every target: the non-indexed calls set them all in one go.
        const RenderTargetBlendDesc& rt = d.RenderTarget[0];
        bool same = gl.known;
        for (const RenderTargetBlendDesc& was : gl.targets) same = same && SameBlend(rt, was);
        if (!same) {
            const bool uniform = gl.known && std::all_of(std::begin(gl.targets), std::end(gl.targets), [&](const auto& t) {
                return t.BlendEnable == gl.targets[0].BlendEnable && SameBlend(t, gl.targets[0]);
            });
            SetTargetBlend(-1, rt, gl.targets[0], uniform);
            // Functions set while blending is off are not sent; a later enable sends them.
            for (RenderTargetBlendDesc& was : gl.targets) was = rt;
        }
    } else {
        for (GLuint i = 0; i < kMaxRenderTargets; ++i) {
            if (gl.known && SameBlend(d.RenderTarget[i], gl.targets[i])) continue;
            SetTargetBlend(static_cast<GLint>(i), d.RenderTarget[i], gl.targets[i], gl.known);
            gl.targets[i] = d.RenderTarget[i];
        }
    }
    if (!gl.known || std::memcmp(gl.factor, blendFactor, sizeof gl.factor) != 0) {
        glBlendColor(blendFactor[0], blendFactor[1], blendFactor[2], blendFactor[3]);
        std::memcpy(gl.factor, blendFactor, sizeof gl.factor);
    }
    if (!gl.known || gl.alphaToCoverage != d.AlphaToCoverageEnable) SetEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE, d.AlphaToCoverageEnable);
    if (!gl.known || gl.sampleMask != sampleMask) {
        SetEnabled(GL_SAMPLE_MASK, sampleMask != 0xFFFFFFFFu);
        glSampleMaski(0, sampleMask);
    }
    gl.alphaToCoverage = d.AlphaToCoverageEnable;
    gl.sampleMask = sampleMask;
    gl.known = true;
}

void Context::Impl::ApplyFramebufferState() {
    if (blendDirty) {
        ApplyBlend(blend ? blend->GetDesc() : kDefaultBlend);
        blendDirty = false;
    }
    if (depthDirty) {
        const DepthStencilDesc& d = depthState ? depthState->GetDesc() : kDefaultDepth;
        SetEnabled(GL_DEPTH_TEST, d.DepthEnable);
        glDepthFunc(ToGlCompare(d.DepthFunc));
        glDepthMask(d.DepthWriteMask == DepthWriteMask::All ? GL_TRUE : GL_FALSE);
        SetEnabled(GL_STENCIL_TEST, d.StencilEnable);
        ApplyStencilFace(GL_FRONT, d.FrontFace, stencilRef, d.StencilReadMask);
        ApplyStencilFace(GL_BACK, d.BackFace, stencilRef, d.StencilReadMask);
        glStencilMask(d.StencilWriteMask);
        depthDirty = false;
    }
}

void Context::Impl::ApplyFixedFunction() {
    ApplyFramebufferState();
    if (rasterizerDirty) {
        const RasterizerDesc& d = rasterizer ? rasterizer->GetDesc() : kDefaultRasterizer;
        SetEnabled(GL_CULL_FACE, d.CullMode != CullMode::None);
        glCullFace(d.CullMode == CullMode::Front ? GL_FRONT : GL_BACK);
        // With the upper-left clip origin, GL's clockwise is D3D's clockwise on screen.
        glFrontFace(d.FrontCounterClockwise ? GL_CCW : GL_CW);
        glPolygonMode(GL_FRONT_AND_BACK, d.FillMode == FillMode::Wireframe ? GL_LINE : GL_FILL);
        SetEnabled(GL_DEPTH_CLAMP, !d.DepthClipEnable);
        // As in D3D11, triangles on a multisampled target are always multisampled; the
        // flags only choose how lines are drawn, which GL does not distinguish.
        SetEnabled(GL_MULTISAMPLE, true);
        bool bias = d.DepthBias != 0 || d.SlopeScaledDepthBias != 0.0f;
        SetEnabled(GL_POLYGON_OFFSET_FILL, bias);
        SetEnabled(GL_POLYGON_OFFSET_LINE, bias);
        if (bias) glPolygonOffsetClamp(d.SlopeScaledDepthBias, static_cast<float>(d.DepthBias), d.DepthBiasClamp);
        rasterizerDirty = false;
    }
    if (viewportDirty) {
        // The upper-left clip origin makes GL's window y run down from the top row, as
        // D3D's TopLeftY does.
        for (uint32_t i = 0; i < viewportCount; ++i) {
            const Viewport& v = viewports[i];
            glViewportIndexedf(i, v.TopLeftX, v.TopLeftY, v.Width, v.Height);
            glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
        }
        viewportDirty = false;
    }
}

void Context::Impl::BindTexture(uint32_t unit, uint32_t name, uint32_t sampler) {
    if (unit >= kMaxTextureUnits) return;
    if (glTextures[unit] != name) {
        glBindTextureUnit(unit, name);
        glTextures[unit] = name;
    }
    if (glSamplers[unit] != sampler) {
        glBindSampler(unit, sampler);
        glSamplers[unit] = sampler;
    }
}

void Context::Impl::BindBufferRange(uint32_t target, uint32_t binding, BufferRange range) {
    if (binding >= kMaxGlBindings) return;
    auto& cache = target == GL_UNIFORM_BUFFER ? glUniformBuffers : glStorageBuffers;
    if (cache[binding] == range) return;
    glBindBufferRange(target, binding, range.buffer, range.offset, range.size);
    cache[binding] = range;
}

uint32_t Context::Impl::ConstantBufferFor(const BufferPtr& buffer, const ShaderBlob::ConstantBuffer& cb, uint32_t* size) {
    const uint32_t byteWidth = buffer->desc_.ByteWidth;
    if (cb.repack.empty() && byteWidth >= cb.glSize) {
        *size = byteWidth;
        return buffer->gl_;
    }
    // The shader's block differs from the HLSL bytes (moved members, or a buffer smaller
    // than the block): build the GL-side copy, once per buffer contents and layout.
    *size = std::max(cb.glSize, 16u);
    Buffer& b = *buffer;
    bool sameKey = b.repackKey_.size() == 1 + cb.repack.size() * 3 && !b.repackKey_.empty() && b.repackKey_[0] == cb.glSize;
    for (size_t i = 0; sameKey && i < cb.repack.size(); ++i) {
        const ShaderBlob::CopyRange& r = cb.repack[i];
        sameKey = b.repackKey_[1 + i * 3] == r.hlslOffset && b.repackKey_[2 + i * 3] == r.glOffset &&
                  b.repackKey_[3 + i * 3] == r.size;
    }
    if (sameKey && b.repackGl_ && b.repackVersion_ == b.version_) return b.repackGl_;

    repackScratch.assign(*size, 0);
    const std::vector<uint8_t>& src = b.shadow_;
    // Unmoved members keep their offsets; the table then moves the others.
    std::memcpy(repackScratch.data(), src.data(), std::min<size_t>(src.size(), *size));
    for (const ShaderBlob::CopyRange& r : cb.repack) {
        if (r.glOffset >= *size || r.hlslOffset >= src.size()) continue;
        size_t n = std::min<size_t>({r.size, *size - r.glOffset, src.size() - r.hlslOffset});
        std::memmove(repackScratch.data() + r.glOffset, src.data() + r.hlslOffset, n);
    }
    if (!b.repackGl_) glCreateBuffers(1, &b.repackGl_);
    glNamedBufferData(b.repackGl_, *size, repackScratch.data(), GL_DYNAMIC_DRAW);
    b.repackVersion_ = b.version_;
    b.repackKey_.resize(1 + cb.repack.size() * 3);
    b.repackKey_[0] = cb.glSize;
    for (size_t i = 0; i < cb.repack.size(); ++i) {
        b.repackKey_[1 + i * 3] = cb.repack[i].hlslOffset;
        b.repackKey_[2 + i * 3] = cb.repack[i].glOffset;
        b.repackKey_[3 + i * 3] = cb.repack[i].size;
    }
    return b.repackGl_;
}

void Context::Impl::ApplyStage(ShaderStage stage, const ShaderBlob& blob) {
    StageBindings& bound = stages[static_cast<int>(stage)];
    for (const ShaderBlob::ConstantBuffer& cb : blob.constantBuffers) {
        const BufferPtr& buffer = cb.slot < kMaxConstantBufferSlots ? bound.constantBuffers[cb.slot] : nullptr;
        BufferRange range{zeroBuffer, 0, std::max(cb.glSize, 16u)};
        if (buffer && !buffer->shadow_.empty()) {
            range.buffer = ConstantBufferFor(buffer, cb, &range.size);
        } else if (buffer && buffer->desc_.ByteWidth >= cb.glSize) {
            range = {buffer->gl_, 0, buffer->desc_.ByteWidth};
        }
        BindBufferRange(GL_UNIFORM_BUFFER, cb.glBinding, range);
    }
    for (const ShaderBlob::StructuredBuffer& sb : blob.structuredBuffers) {
        const ShaderResourceViewPtr& view = sb.slot < kMaxShaderResourceSlots ? bound.views[sb.slot] : nullptr;
        BufferRange range{zeroBuffer, 0, 65536};
        if (view && view->GetResource()->GetKind() == Resource::Kind::Buffer && !IsBoundAsTarget(view->GetResource().get())) {
            const auto& buffer = static_cast<const Buffer&>(*view->GetResource());
            uint32_t stride = buffer.desc_.StructureByteStride ? buffer.desc_.StructureByteStride : 4;
            range = {buffer.gl_, view->desc_.FirstElement * stride, view->desc_.NumElements * stride};
        }
        BindBufferRange(GL_SHADER_STORAGE_BUFFER, sb.glBinding, range);
    }
    for (const ShaderBlob::Texture& t : blob.textures) {
        const uint32_t wantTarget = ToGlTarget(t.kind);
        uint32_t name = zeroTextures[static_cast<uint32_t>(t.kind)];
        const ShaderResourceViewPtr& view = t.textureSlot < kMaxShaderResourceSlots ? bound.views[t.textureSlot] : nullptr;
        if (view && !IsBoundAsTarget(view->GetResource().get())) {
            GlAccess::TextureName texture = GlAccess::Texture(view->GetResource().get());
            if (texture.name && texture.target == wantTarget) name = texture.name;
        }
        uint32_t sampler = pointSampler;
        if (t.samplerSlot >= 0) {
            const SamplerStatePtr& s = t.samplerSlot < static_cast<int32_t>(kMaxSamplerSlots) ? bound.samplers[t.samplerSlot] : nullptr;
            sampler = s ? s->gl_ : linearSampler;
        }
        BindTexture(t.glUnit, name, sampler);
    }
}

void Context::Impl::ApplyVertexInput(bool indexed) {
    uint32_t elementBuffer = indexed && indexBuffer ? indexBuffer->gl_ : 0;
    if (!layout) {
        if (glVao != emptyVao) {
            glBindVertexArray(emptyVao);
            glVao = emptyVao;
        }
        if (emptyVaoElementBuffer != elementBuffer) {
            glVertexArrayElementBuffer(emptyVao, elementBuffer);
            emptyVaoElementBuffer = elementBuffer;
        }
        return;
    }
    InputLayout& l = *layout;
    if (l.boundEpoch_ != GlDeletionEpoch()) {
        std::fill(std::begin(l.boundBuffer_), std::end(l.boundBuffer_), ~0u);
        l.boundElementBuffer_ = ~0u;
        l.boundEpoch_ = GlDeletionEpoch();
    }
    for (uint32_t slot = 0; slot < InputLayout::kSlots; ++slot) {
        if (!(l.slotMask_ & (1u << slot))) continue;
        const BufferPtr& buffer = vertexBuffers[slot];
        // A missing vertex buffer reads zeros, as in D3D.
        uint32_t name = buffer ? buffer->gl_ : zeroBuffer;
        uint32_t offset = buffer ? offsets[slot] : 0;
        uint32_t stride = buffer ? strides[slot] : 0;
        if (l.boundBuffer_[slot] == name && l.boundOffset_[slot] == offset && l.boundStride_[slot] == stride) continue;
        glVertexArrayVertexBuffer(l.vao_, slot, name, offset, static_cast<GLsizei>(stride));
        l.boundBuffer_[slot] = name;
        l.boundOffset_[slot] = offset;
        l.boundStride_[slot] = stride;
    }
    if (l.boundElementBuffer_ != elementBuffer) {
        glVertexArrayElementBuffer(l.vao_, elementBuffer);
        l.boundElementBuffer_ = elementBuffer;
    }
    if (glVao != l.vao_) {
        glBindVertexArray(l.vao_);
        glVao = l.vao_;
    }
}

void Context::Impl::ForgetGlBindings() {
    glFramebuffer = ~0u;
    glPipeline = ~0u;
    glVao = ~0u;
    glTextures.fill(~0u);
    glSamplers.fill(~0u);
    glUniformBuffers.fill(BufferRange{~0u, 0, 0});
    glStorageBuffers.fill(BufferRange{~0u, 0, 0});
    emptyVaoElementBuffer = ~0u;
    framebufferDirty = true;
}

bool Context::Impl::PrepareDraw() {
    if (!vs || ToGlTopology(topology) == 0) return false;
    if (deletionEpoch != GlDeletionEpoch()) {
        // Deleted names may come back for new objects: what GL has bound is unknown.
        ForgetGlBindings();
        deletionEpoch = GlDeletionEpoch();
    }
    bool anyTarget = depthView != nullptr;
    for (uint32_t i = 0; i < targetCount; ++i) anyTarget = anyTarget || targets[i] != nullptr;
    if (!anyTarget) return false;
    if (framebufferDirty) {
        uint32_t fbo = framebuffers.Get(targetCount, targets.data(), depthView);
        if (fbo == 0) return false;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
        glFramebuffer = fbo;
        framebufferDirty = false;
    }
    ApplyPipeline();
    ApplyFixedFunction();
    ApplyStage(ShaderStage::Vertex, *vs->blob_);
    if (ps) ApplyStage(ShaderStage::Pixel, *ps->blob_);
    return true;
}

void Context::Draw(uint32_t vertexCount, uint32_t startVertex) { DrawInstanced(vertexCount, 1, startVertex, 0); }

void Context::DrawInstanced(uint32_t vertexCountPerInstance, uint32_t instanceCount, uint32_t startVertex,
                            uint32_t startInstance) {
    if (vertexCountPerInstance == 0 || instanceCount == 0 || !impl_->PrepareDraw()) return;
    impl_->ApplyVertexInput(false);
    // The base instance offsets per-instance attributes only; gl_InstanceID starts at 0
    // like SV_InstanceID.
    glDrawArraysInstancedBaseInstance(ToGlTopology(impl_->topology), static_cast<GLint>(startVertex),
                                      static_cast<GLsizei>(vertexCountPerInstance), static_cast<GLsizei>(instanceCount),
                                      startInstance);
    ++impl_->stats.draws;
}

void Context::DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex) {
    DrawIndexedInstanced(indexCount, 1, startIndex, baseVertex, 0);
}

void Context::DrawIndexedInstanced(uint32_t indexCountPerInstance, uint32_t instanceCount, uint32_t startIndex,
                                   int32_t baseVertex, uint32_t startInstance) {
    if (indexCountPerInstance == 0 || instanceCount == 0 || !impl_->indexBuffer || !impl_->PrepareDraw()) return;
    impl_->ApplyVertexInput(true);
    bool wide = impl_->indexFormat == Format::R32_UInt;
    uintptr_t offset = impl_->indexOffset + uintptr_t(startIndex) * (wide ? 4 : 2);
    glDrawElementsInstancedBaseVertexBaseInstance(ToGlTopology(impl_->topology), static_cast<GLsizei>(indexCountPerInstance),
                                                  wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                                  reinterpret_cast<const void*>(offset), static_cast<GLsizei>(instanceCount),
                                                  baseVertex, startInstance);
    ++impl_->stats.draws;
}

}  // namespace gpu
