// gpu::Context clears, maps, uploads, copies, resolves and mip generation.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "gpu/context.h"
#include "gpu/contextimpl.h"
#include "gpu/glaccess.h"
#include "gpu/glconvert.h"
#include "gpu/gllifetime.h"
#include "system/log.h"

namespace gpu {
namespace {

constexpr GLuint64 kFenceWaitNs = 10'000'000'000ull;  // a read-back never legitimately takes this long

void WaitAndDrop(void*& fence) {
    if (!fence) return;
    GLsync sync = static_cast<GLsync>(fence);
    glClientWaitSync(sync, GL_SYNC_FLUSH_COMMANDS_BIT, kFenceWaitNs);
    glDeleteSync(sync);
    fence = nullptr;
}

void Fence(void*& fence) {
    if (fence) glDeleteSync(static_cast<GLsync>(fence));
    fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

}  // namespace

void Context::ClearRenderTargetView(const RenderTargetViewPtr& view, const float color[4]) {
    if (!view || !color) return;
    GlAccess::TextureName texture = GlAccess::Texture(view->GetResource().get());
    if (!texture.name) return;
    // Clearing ignores blend and write masks in D3D; glClearTexImage does too.
    glClearTexImage(texture.name, static_cast<GLint>(GlAccess::Mip(*view)), GL_RGBA, GL_FLOAT, color);
}

void Context::ClearDepthStencilView(const DepthStencilViewPtr& view, uint32_t clearFlags, float depth, uint8_t stencil) {
    if (!view || !(clearFlags & (CLEAR_DEPTH | CLEAR_STENCIL))) return;
    RenderTargetViewPtr none;
    uint32_t fbo = impl_->framebuffers.Get(0, &none, view);
    if (!fbo) return;
    // Framebuffer clears obey the depth and stencil write masks: open them, and let the
    // next draw restore the bound state.
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    impl_->depthDirty = true;
    GLint s = stencil;
    if ((clearFlags & CLEAR_DEPTH) && (clearFlags & CLEAR_STENCIL)) glClearNamedFramebufferfi(fbo, GL_DEPTH_STENCIL, 0, depth, s);
    else if (clearFlags & CLEAR_DEPTH) glClearNamedFramebufferfv(fbo, GL_DEPTH, 0, &depth);
    else glClearNamedFramebufferiv(fbo, GL_STENCIL, 0, &s);
}

bool Context::Map(const ResourcePtr& resource, uint32_t subresource, MapType type, MappedSubresource* mapped) {
    if (!resource || !mapped) return false;
    *mapped = {};
    bool write = type == MapType::WriteDiscard || type == MapType::WriteNoOverwrite || type == MapType::Write;
    if (resource->GetKind() == Resource::Kind::Buffer) {
        Buffer& b = static_cast<Buffer&>(*resource);
        if (b.desc_.Usage == Usage::Dynamic && write) {
            // The pointer is the CPU shadow; Unmap uploads it.
            mapped->pData = b.shadow_.data();
            mapped->RowPitch = mapped->DepthPitch = b.desc_.ByteWidth;
            b.mapped_ = true;
            ++impl_->stats.maps;
            return true;
        }
        if (b.desc_.Usage == Usage::Staging && !b.mapped_) {
            WaitAndDrop(b.fence_);
            GLbitfield access = (type == MapType::Read ? GL_MAP_READ_BIT
                                 : type == MapType::ReadWrite ? GL_MAP_READ_BIT | GL_MAP_WRITE_BIT
                                                               : GL_MAP_WRITE_BIT);
            void* data = glMapNamedBufferRange(b.gl_, 0, b.desc_.ByteWidth, access);
            if (!data) return false;
            b.mapped_ = true;
            mapped->pData = data;
            mapped->RowPitch = mapped->DepthPitch = b.desc_.ByteWidth;
            ++impl_->stats.maps;
            return true;
        }
        LOG("Failed to map a buffer: only dynamic buffers (write) and staging buffers can be mapped");
        return false;
    }
    if (resource->GetKind() == Resource::Kind::Texture2D && subresource == 0) {
        Texture2D& t = static_cast<Texture2D&>(*resource);
        uint32_t pitch = t.desc_.Width * ToGl(t.desc_.Format).bytes;
        if (t.target_ == 0 && !t.mapped_) {
            // Waits only for the copy into this staging texture, not for later rendering.
            WaitAndDrop(t.fence_);
            GLbitfield access = type == MapType::Read ? GL_MAP_READ_BIT : GL_MAP_READ_BIT | GL_MAP_WRITE_BIT;
            void* data = glMapNamedBufferRange(t.gl_, 0, GLsizeiptr(pitch) * t.desc_.Height, access);
            if (!data) return false;
            t.mapped_ = true;
            mapped->pData = data;
            mapped->RowPitch = pitch;
            mapped->DepthPitch = pitch * t.desc_.Height;
            ++impl_->stats.maps;
            return true;
        }
        if (t.desc_.Usage == Usage::Dynamic && write && !t.staging_.empty()) {
            mapped->pData = t.staging_.data();
            mapped->RowPitch = pitch;
            mapped->DepthPitch = pitch * t.desc_.Height;
            t.mapped_ = true;
            ++impl_->stats.maps;
            return true;
        }
    }
    LOG("Failed to map a texture: only staging textures and dynamic textures (write) can be mapped");
    return false;
}

void Context::Unmap(const ResourcePtr& resource, uint32_t subresource) {
    if (!resource) return;
    if (resource->GetKind() == Resource::Kind::Buffer) {
        Buffer& b = static_cast<Buffer&>(*resource);
        if (!b.mapped_) return;
        b.mapped_ = false;
        if (b.desc_.Usage == Usage::Staging) {
            glUnmapNamedBuffer(b.gl_);
            return;
        }
        // Orphan the old storage so that draws still reading it do not stall the upload.
        glNamedBufferData(b.gl_, b.desc_.ByteWidth, b.shadow_.data(), GL_DYNAMIC_DRAW);
        ++b.version_;
        return;
    }
    if (resource->GetKind() == Resource::Kind::Texture2D) {
        Texture2D& t = static_cast<Texture2D&>(*resource);
        if (!t.mapped_) return;
        t.mapped_ = false;
        if (t.target_ == 0) {
            glUnmapNamedBuffer(t.gl_);
            return;
        }
        GlFormat f = ToGl(t.desc_.Format);
        glTextureSubImage2D(t.gl_, 0, 0, 0, static_cast<GLsizei>(t.desc_.Width), static_cast<GLsizei>(t.desc_.Height), f.format,
                            f.type, t.staging_.data());
    }
}

void Context::UpdateSubresource(const ResourcePtr& resource, uint32_t subresource, const Box* box, const void* data,
                                uint32_t rowPitch, uint32_t depthPitch) {
    // 1D textures are filled once, from their initial data.
    if (!resource || !data || resource->GetKind() == Resource::Kind::Texture1D) return;
    if (resource->GetKind() == Resource::Kind::Buffer) {
        Buffer& b = static_cast<Buffer&>(*resource);
        uint32_t begin = box ? std::min(box->left, b.desc_.ByteWidth) : 0;
        uint32_t end = box ? std::min(box->right, b.desc_.ByteWidth) : b.desc_.ByteWidth;
        if (end <= begin) return;
        if (!b.shadow_.empty()) std::memcpy(b.shadow_.data() + begin, data, end - begin);
        glNamedBufferSubData(b.gl_, begin, end - begin, data);
        ++b.version_;
        return;
    }
    if (resource->GetKind() == Resource::Kind::Texture2D) {
        Texture2D& t = static_cast<Texture2D&>(*resource);
        GlFormat f = ToGl(t.desc_.Format);
        // Subresources run through the mip levels of slice 0, then of slice 1, ...
        uint32_t level = subresource % t.desc_.MipLevels, slice = subresource / t.desc_.MipLevels;
        if (slice >= t.desc_.ArraySize || t.desc_.SampleDesc.Count > 1) return;
        uint32_t w = std::max(1u, t.desc_.Width >> level), h = std::max(1u, t.desc_.Height >> level);
        Box region = box ? *box : Box{0, 0, 0, w, h, 1};
        region.right = std::min(region.right, w);
        region.bottom = std::min(region.bottom, h);
        if (region.right <= region.left || region.bottom <= region.top) return;
        uint32_t rowBytes = (region.right - region.left) * f.bytes;
        if (rowPitch == 0) rowPitch = rowBytes;
        if (t.target_ == 0) {
            // Staging: write the rows into the pixel buffer.
            uint32_t pitch = t.desc_.Width * f.bytes;
            for (uint32_t y = region.top; y < region.bottom; ++y) {
                glNamedBufferSubData(t.gl_, GLintptr(y) * pitch + region.left * f.bytes, rowBytes,
                                     static_cast<const uint8_t*>(data) + size_t(y - region.top) * rowPitch);
            }
            return;
        }
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(rowPitch / f.bytes));
        if (t.target_ == GL_TEXTURE_2D) {
            glTextureSubImage2D(t.gl_, static_cast<GLint>(level), static_cast<GLint>(region.left),
                                static_cast<GLint>(region.top), static_cast<GLsizei>(region.right - region.left),
                                static_cast<GLsizei>(region.bottom - region.top), f.format, f.type, data);
        } else {
            glTextureSubImage3D(t.gl_, static_cast<GLint>(level), static_cast<GLint>(region.left),
                                static_cast<GLint>(region.top), static_cast<GLint>(slice),
                                static_cast<GLsizei>(region.right - region.left),
                                static_cast<GLsizei>(region.bottom - region.top), 1, f.format, f.type, data);
        }
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        if (level == 0 && !t.staging_.empty() && !box) {
            for (uint32_t y = 0; y < h; ++y) {
                std::memcpy(t.staging_.data() + size_t(y) * w * f.bytes, static_cast<const uint8_t*>(data) + size_t(y) * rowPitch,
                            size_t(w) * f.bytes);
            }
        }
        return;
    }
    Texture3D& t = static_cast<Texture3D&>(*resource);
    GlFormat f = ToGl(t.desc_.Format);
    uint32_t level = subresource;
    if (level >= t.desc_.MipLevels) return;
    uint32_t w = std::max(1u, t.desc_.Width >> level), h = std::max(1u, t.desc_.Height >> level);
    uint32_t d = std::max(1u, t.desc_.Depth >> level);
    Box region = box ? *box : Box{0, 0, 0, w, h, d};
    region.right = std::min(region.right, w);
    region.bottom = std::min(region.bottom, h);
    region.back = std::min(region.back, d);
    if (region.right <= region.left || region.bottom <= region.top || region.back <= region.front) return;
    uint32_t rowBytes = (region.right - region.left) * f.bytes;
    if (rowPitch == 0) rowPitch = rowBytes;
    if (depthPitch == 0) depthPitch = rowPitch * (region.bottom - region.top);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(rowPitch / f.bytes));
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, static_cast<GLint>(depthPitch / rowPitch));
    glTextureSubImage3D(t.gl_, static_cast<GLint>(level), static_cast<GLint>(region.left), static_cast<GLint>(region.top),
                        static_cast<GLint>(region.front), static_cast<GLsizei>(region.right - region.left),
                        static_cast<GLsizei>(region.bottom - region.top), static_cast<GLsizei>(region.back - region.front),
                        f.format, f.type, data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
}

uint32_t Context::Impl::SingleSampled(const Texture2DPtr& source) {
    if (source->target_ != GL_TEXTURE_2D_MULTISAMPLE) return source->gl_;
    const Texture2DDesc& d = source->desc_;
    GlFormat f = ToGl(d.Format);
    if (!scratchTexture || scratchWidth != d.Width || scratchHeight != d.Height || scratchFormat != f.internalFormat) {
        if (scratchTexture) glDeleteTextures(1, &scratchTexture);
        if (scratchFbo) glDeleteFramebuffers(1, &scratchFbo);
        NoteGlDeletion();
        glCreateTextures(GL_TEXTURE_2D, 1, &scratchTexture);
        glTextureStorage2D(scratchTexture, 1, f.internalFormat, static_cast<GLsizei>(d.Width), static_cast<GLsizei>(d.Height));
        glCreateFramebuffers(1, &scratchFbo);
        glNamedFramebufferTexture(scratchFbo, GL_COLOR_ATTACHMENT0, scratchTexture, 0);
        scratchWidth = d.Width;
        scratchHeight = d.Height;
        scratchFormat = f.internalFormat;
    }
    uint32_t sourceFbo = framebuffers.ForTexture(source, 0);
    if (!sourceFbo) return 0;
    glBlitNamedFramebuffer(sourceFbo, scratchFbo, 0, 0, static_cast<GLint>(d.Width), static_cast<GLint>(d.Height), 0, 0,
                           static_cast<GLint>(d.Width), static_cast<GLint>(d.Height), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    ++stats.resolves;
    return scratchTexture;
}

bool Context::Impl::Resolve(const Texture2DPtr& destination, const Texture2DPtr& source) {
    uint32_t sourceFbo = framebuffers.ForTexture(source, 0);
    uint32_t destinationFbo = framebuffers.ForTexture(destination, 0);
    if (!sourceFbo || !destinationFbo) return false;
    GLint w = static_cast<GLint>(std::min(source->desc_.Width, destination->desc_.Width));
    GLint h = static_cast<GLint>(std::min(source->desc_.Height, destination->desc_.Height));
    glBlitNamedFramebuffer(sourceFbo, destinationFbo, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    ++stats.resolves;
    return true;
}

void Context::CopyResource(const ResourcePtr& destination, const ResourcePtr& source) {
    if (!destination || !source || destination == source || destination->GetKind() != source->GetKind() ||
        source->GetKind() == Resource::Kind::Texture1D) {
        return;
    }
    if (source->GetKind() == Resource::Kind::Buffer) {
        Buffer& dst = static_cast<Buffer&>(*destination);
        Buffer& src = static_cast<Buffer&>(*source);
        uint32_t bytes = std::min(dst.desc_.ByteWidth, src.desc_.ByteWidth);
        glCopyNamedBufferSubData(src.gl_, dst.gl_, 0, 0, bytes);
        if (!dst.shadow_.empty()) {
            if (!src.shadow_.empty()) std::memcpy(dst.shadow_.data(), src.shadow_.data(), bytes);
            else glGetNamedBufferSubData(src.gl_, 0, bytes, dst.shadow_.data());
        }
        ++dst.version_;
        if (dst.desc_.Usage == Usage::Staging) Fence(dst.fence_);
        return;
    }
    if (source->GetKind() == Resource::Kind::Texture3D) {
        Texture3D& dst = static_cast<Texture3D&>(*destination);
        Texture3D& src = static_cast<Texture3D&>(*source);
        const Texture3DDesc& s = src.desc_;
        const Texture3DDesc& d = dst.desc_;
        if (s.Width != d.Width || s.Height != d.Height || s.Depth != d.Depth || s.Format != d.Format) return;
        for (uint32_t level = 0; level < std::min(s.MipLevels, d.MipLevels); ++level) {
            glCopyImageSubData(src.gl_, GL_TEXTURE_3D, static_cast<GLint>(level), 0, 0, 0, dst.gl_, GL_TEXTURE_3D,
                               static_cast<GLint>(level), 0, 0, 0, static_cast<GLsizei>(std::max(1u, s.Width >> level)),
                               static_cast<GLsizei>(std::max(1u, s.Height >> level)), static_cast<GLsizei>(std::max(1u, s.Depth >> level)));
        }
        return;
    }
    auto dst = std::static_pointer_cast<Texture2D>(destination);
    auto src = std::static_pointer_cast<Texture2D>(source);
    const Texture2DDesc& s = src->desc_;
    const Texture2DDesc& d = dst->desc_;
    if (s.Width != d.Width || s.Height != d.Height || s.Format != d.Format || s.ArraySize != d.ArraySize) {
        LOG("Failed to copy a %ux%u texture into a %ux%u one", s.Width, s.Height, d.Width, d.Height);
        return;
    }
    GlFormat f = ToGl(s.Format);
    if (dst->target_ == 0 && src->target_ != 0) {
        // Read-back: start an asynchronous read into the staging pixel buffer; Map waits.
        uint32_t name = impl_->SingleSampled(src);
        if (!name) return;
        glBindBuffer(GL_PIXEL_PACK_BUFFER, dst->gl_);
        glGetTextureImage(name, 0, f.format, f.type, static_cast<GLsizei>(size_t(s.Width) * s.Height * f.bytes), nullptr);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        Fence(dst->fence_);
        return;
    }
    if (dst->target_ != 0 && src->target_ == 0) {
        WaitAndDrop(src->fence_);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, src->gl_);
        glTextureSubImage2D(dst->gl_, 0, 0, 0, static_cast<GLsizei>(s.Width), static_cast<GLsizei>(s.Height), f.format, f.type, nullptr);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        return;
    }
    if (dst->target_ == 0 && src->target_ == 0) {
        glCopyNamedBufferSubData(src->gl_, dst->gl_, 0, 0, GLsizeiptr(s.Width) * s.Height * f.bytes);
        Fence(dst->fence_);
        return;
    }
    if (src->target_ != dst->target_) {
        // Multisampled into single-sampled: what a caller means is a resolve.
        if (src->target_ == GL_TEXTURE_2D_MULTISAMPLE && f.format != GL_DEPTH_STENCIL) impl_->Resolve(dst, src);
        return;
    }
    if (s.SampleDesc.Count != d.SampleDesc.Count) return;
    for (uint32_t level = 0; level < std::min(s.MipLevels, d.MipLevels); ++level) {
        glCopyImageSubData(src->gl_, src->target_, static_cast<GLint>(level), 0, 0, 0, dst->gl_, dst->target_,
                           static_cast<GLint>(level), 0, 0, 0, static_cast<GLsizei>(std::max(1u, s.Width >> level)),
                           static_cast<GLsizei>(std::max(1u, s.Height >> level)), static_cast<GLsizei>(s.ArraySize));
    }
}

void Context::ResolveSubresource(const ResourcePtr& destination, uint32_t destinationSubresource, const ResourcePtr& source,
                                 uint32_t sourceSubresource, Format format) {
    if (!destination || !source || destination->GetKind() != Resource::Kind::Texture2D ||
        source->GetKind() != Resource::Kind::Texture2D) {
        return;
    }
    auto dst = std::static_pointer_cast<Texture2D>(destination);
    auto src = std::static_pointer_cast<Texture2D>(source);
    if (dst->target_ != GL_TEXTURE_2D || src->target_ == 0 || src->desc_.Format == Format::D24_UNorm_S8_UInt) return;
    impl_->Resolve(dst, src);
}

void Context::GenerateMips(const ShaderResourceViewPtr& view) {
    if (!view) return;
    GlAccess::TextureName texture = GlAccess::Texture(view->GetResource().get());
    if (texture.name && texture.target != GL_TEXTURE_2D_MULTISAMPLE) glGenerateTextureMipmap(texture.name);
}

}  // namespace gpu
