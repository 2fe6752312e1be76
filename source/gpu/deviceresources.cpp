// Device::Create* for buffers, textures and their views.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "gpu/device.h"
#include "gpu/deviceimpl.h"
#include "gpu/glconvert.h"
#include "system/log.h"

namespace gpu {
namespace {

uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth = 1) {
    uint32_t size = std::max({width, height, depth});
    uint32_t levels = 1;
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

// Rows of initial or updated data may be padded; GL needs the row length in pixels.
void SetUnpackPitch(uint32_t rowPitch, uint32_t slicePitch, uint32_t bytesPerPixel) {
    GLint rowLength = (rowPitch && bytesPerPixel) ? static_cast<GLint>(rowPitch / bytesPerPixel) : 0;
    GLint imageHeight = (rowPitch && slicePitch) ? static_cast<GLint>(slicePitch / rowPitch) : 0;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, imageHeight);
}

SrvDimension ViewDimensionOf(const Texture2DDesc& desc) {
    const bool multisampled = desc.SampleDesc.Count > 1;
    if ((desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0) {
        return desc.ArraySize > 6 ? SrvDimension::TextureCubeArray : SrvDimension::TextureCube;
    }
    if (desc.ArraySize > 1) return multisampled ? SrvDimension::Texture2DMSArray : SrvDimension::Texture2DArray;
    return multisampled ? SrvDimension::Texture2DMS : SrvDimension::Texture2D;
}

void ResetUnpackPitch() {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
}

}  // namespace

BufferPtr Device::CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData) {
    if (desc.ByteWidth == 0) {
        LOG("Failed to create a buffer of 0 bytes");
        return nullptr;
    }
    if (desc.Usage == Usage::Immutable && !(initialData && initialData->pSysMem)) {
        LOG("Failed to create an immutable buffer without initial data");
        return nullptr;
    }
    BufferPtr buffer(new Buffer());
    buffer->desc_ = desc;
    buffer->generation_ = impl_->generation;
    const void* data = initialData ? initialData->pSysMem : nullptr;
    // Constant buffers keep a CPU copy so that they can be repacked for any shader layout;
    // dynamic buffers map that copy and upload it at Unmap.
    bool shadow = (desc.BindFlags & BIND_CONSTANT_BUFFER) || desc.Usage == Usage::Dynamic;
    if (shadow) {
        buffer->shadow_.assign(desc.ByteWidth, 0);
        if (data) std::memcpy(buffer->shadow_.data(), data, desc.ByteWidth);
    }
    glCreateBuffers(1, &buffer->gl_);
    GLenum usage = GL_STATIC_DRAW;
    if (desc.Usage == Usage::Dynamic) usage = GL_DYNAMIC_DRAW;
    if (desc.Usage == Usage::Staging) usage = (desc.CPUAccessFlags & CPU_ACCESS_READ) ? GL_STREAM_READ : GL_STREAM_DRAW;
    if (data) {
        glNamedBufferData(buffer->gl_, desc.ByteWidth, data, usage);
    } else {
        std::vector<uint8_t> zeros(desc.ByteWidth, 0);  // D3D leaves it undefined; zeros are kinder
        glNamedBufferData(buffer->gl_, desc.ByteWidth, zeros.data(), usage);
    }
    buffer->version_ = 1;
    return buffer;
}

Texture2DPtr Device::CreateTexture2D(const Texture2DDesc& desc, const SubresourceData* initialData) {
    GlFormat format = ToGl(desc.Format);
    if (desc.Width == 0 || desc.Height == 0 || format.internalFormat == 0) {
        LOG("Failed to create a %ux%u texture: unsupported size or format", desc.Width, desc.Height);
        return nullptr;
    }
    if (desc.Width > impl_->maxTextureSize || desc.Height > impl_->maxTextureSize ||
        desc.MipLevels > FullMipCount(desc.Width, desc.Height)) {
        // GL would make a texture without storage, and CPU copies of it could not be allocated.
        LOG("Failed to create a %ux%u texture of %u mip levels: at most %u pixels a side and a full chain",
            desc.Width, desc.Height, desc.MipLevels, impl_->maxTextureSize);
        return nullptr;
    }
    const bool cube = (desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0;
    const uint32_t slices = std::max(1u, desc.ArraySize);
    if (slices > 1 || cube) {
        if (slices > impl_->maxArrayLayers || (cube && (slices % 6 != 0 || desc.Width != desc.Height))) {
            LOG("Failed to create a texture array of %u slices: a cube needs square slices in sixes, at most %u",
                slices, impl_->maxArrayLayers);
            return nullptr;
        }
        if (desc.Usage == Usage::Staging || desc.Usage == Usage::Dynamic || (cube && desc.SampleDesc.Count > 1)) {
            LOG("Failed to create a texture array: arrays and cubes are for default or immutable use");
            return nullptr;
        }
    }
    uint32_t samples = std::max(1u, desc.SampleDesc.Count);
    int maxSamples = desc.Format == Format::D24_UNorm_S8_UInt ? impl_->maxDepthSamples : impl_->maxColorSamples;
    if (samples > 1 && static_cast<int>(samples) > maxSamples) {
        LOG("Failed to create a texture with %u samples (at most %d)", samples, maxSamples);
        return nullptr;
    }
    Texture2DPtr texture(new Texture2D());
    texture->desc_ = desc;
    texture->desc_.SampleDesc.Count = samples;
    texture->desc_.ArraySize = slices;
    texture->generation_ = impl_->generation;
    uint32_t levels = desc.MipLevels == 0 ? FullMipCount(desc.Width, desc.Height) : desc.MipLevels;
    if (samples > 1) levels = 1;
    texture->desc_.MipLevels = levels;

    if (desc.Usage == Usage::Staging) {
        // A staging texture lives in a pixel buffer that read-back copies fill asynchronously.
        size_t bytes = size_t(desc.Width) * desc.Height * format.bytes;
        glCreateBuffers(1, &texture->gl_);
        std::vector<uint8_t> zeros(bytes, 0);
        const void* data = zeros.data();
        if (initialData && initialData->pSysMem && initialData->SysMemPitch == desc.Width * format.bytes) {
            data = initialData->pSysMem;
        }
        glNamedBufferData(texture->gl_, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_READ);
        texture->target_ = 0;
        return texture;
    }

    if (slices > 1 || cube) return CreateTextureArray(std::move(texture), format, initialData);
    if (samples > 1) {
        texture->target_ = GL_TEXTURE_2D_MULTISAMPLE;
        glCreateTextures(GL_TEXTURE_2D_MULTISAMPLE, 1, &texture->gl_);
        glTextureStorage2DMultisample(texture->gl_, static_cast<GLsizei>(samples), format.internalFormat,
                                      static_cast<GLsizei>(desc.Width), static_cast<GLsizei>(desc.Height), GL_TRUE);
        return texture;
    }
    texture->target_ = GL_TEXTURE_2D;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture->gl_);
    glTextureStorage2D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat,
                       static_cast<GLsizei>(desc.Width), static_cast<GLsizei>(desc.Height));
    glTextureParameteri(texture->gl_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    if (initialData) {
        // One entry per mip level; with GENERATE_MIPS only level 0 is read and the rest is
        // generated from it.
        bool generate = (desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) != 0;
        uint32_t given = generate ? 1 : levels;
        for (uint32_t level = 0; level < given; ++level) {
            const SubresourceData& sub = initialData[level];
            if (!sub.pSysMem) continue;
            uint32_t w = std::max(1u, desc.Width >> level), h = std::max(1u, desc.Height >> level);
            SetUnpackPitch(sub.SysMemPitch, 0, format.bytes);
            glTextureSubImage2D(texture->gl_, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w),
                                static_cast<GLsizei>(h), format.format, format.type, sub.pSysMem);
        }
        ResetUnpackPitch();
        if (generate && levels > 1) glGenerateTextureMipmap(texture->gl_);
    } else if (format.format != GL_DEPTH_STENCIL) {
        // D3D leaves new textures undefined; clear to zero so that nothing stale shows.
        for (uint32_t level = 0; level < levels; ++level) {
            glClearTexImage(texture->gl_, static_cast<GLint>(level), format.format, format.type, nullptr);
        }
    }
    if (desc.Usage == Usage::Dynamic) texture->staging_.assign(size_t(desc.Width) * desc.Height * format.bytes, 0);
    return texture;
}

// Texture2D arrays, cubes and cube arrays: one GL texture of desc.ArraySize layers; the
// initial data lists subresources slice by slice, each slice with all its mip levels.
Texture2DPtr Device::CreateTextureArray(Texture2DPtr texture, const GlFormat& format, const SubresourceData* initialData) {
    const Texture2DDesc& desc = texture->desc_;
    const bool cube = (desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0;
    const uint32_t levels = desc.MipLevels, slices = desc.ArraySize;
    const auto w = static_cast<GLsizei>(desc.Width), h = static_cast<GLsizei>(desc.Height);
    if (desc.SampleDesc.Count > 1) {
        texture->target_ = GL_TEXTURE_2D_MULTISAMPLE_ARRAY;
        glCreateTextures(texture->target_, 1, &texture->gl_);
        glTextureStorage3DMultisample(texture->gl_, static_cast<GLsizei>(desc.SampleDesc.Count), format.internalFormat,
                                      w, h, static_cast<GLsizei>(slices), GL_TRUE);
        return texture;
    }
    texture->target_ = !cube ? GL_TEXTURE_2D_ARRAY : slices == 6 ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_CUBE_MAP_ARRAY;
    glCreateTextures(texture->target_, 1, &texture->gl_);
    if (texture->target_ == GL_TEXTURE_CUBE_MAP) {
        glTextureStorage2D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat, w, h);
    } else {
        glTextureStorage3D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat, w, h,
                           static_cast<GLsizei>(slices));
    }
    glTextureParameteri(texture->gl_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    const bool generate = (desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) != 0;
    for (uint32_t slice = 0; slice < slices; ++slice) {
        for (uint32_t level = 0; level < levels; ++level) {
            const SubresourceData* sub = initialData ? &initialData[slice * levels + level] : nullptr;
            if (initialData && (generate && level > 0)) continue;
            if (!sub || !sub->pSysMem) {
                if (!initialData && format.format != GL_DEPTH_STENCIL) {
                    glClearTexSubImage(texture->gl_, static_cast<GLint>(level), 0, 0, static_cast<GLint>(slice),
                                       std::max(1, w >> level), std::max(1, h >> level), 1, format.format, format.type,
                                       nullptr);
                }
                continue;
            }
            SetUnpackPitch(sub->SysMemPitch, 0, format.bytes);
            glTextureSubImage3D(texture->gl_, static_cast<GLint>(level), 0, 0, static_cast<GLint>(slice),
                                std::max(1, w >> level), std::max(1, h >> level), 1, format.format, format.type,
                                sub->pSysMem);
        }
    }
    ResetUnpackPitch();
    if (initialData && generate && levels > 1) glGenerateTextureMipmap(texture->gl_);
    return texture;
}

Texture3DPtr Device::CreateTexture3D(const Texture3DDesc& desc, const SubresourceData* initialData) {
    GlFormat format = ToGl(desc.Format);
    if (desc.Width == 0 || desc.Height == 0 || desc.Depth == 0 || format.internalFormat == 0 ||
        format.format == GL_DEPTH_STENCIL) {
        LOG("Failed to create a %ux%ux%u volume texture: unsupported size or format", desc.Width, desc.Height, desc.Depth);
        return nullptr;
    }
    const uint32_t maxSide = impl_->max3DTextureSize;
    if (desc.Width > maxSide || desc.Height > maxSide || desc.Depth > maxSide ||
        desc.MipLevels > FullMipCount(desc.Width, desc.Height, desc.Depth)) {
        LOG("Failed to create a %ux%ux%u volume texture of %u mip levels: at most %u texels a side and a full chain",
            desc.Width, desc.Height, desc.Depth, desc.MipLevels, maxSide);
        return nullptr;
    }
    Texture3DPtr texture(new Texture3D());
    texture->desc_ = desc;
    texture->generation_ = impl_->generation;
    uint32_t levels = desc.MipLevels == 0 ? FullMipCount(desc.Width, desc.Height, desc.Depth) : desc.MipLevels;
    texture->desc_.MipLevels = levels;
    glCreateTextures(GL_TEXTURE_3D, 1, &texture->gl_);
    glTextureStorage3D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat, static_cast<GLsizei>(desc.Width),
                       static_cast<GLsizei>(desc.Height), static_cast<GLsizei>(desc.Depth));
    glTextureParameteri(texture->gl_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    if (initialData) {
        bool generate = (desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) != 0;
        uint32_t given = generate ? 1 : levels;
        for (uint32_t level = 0; level < given; ++level) {
            const SubresourceData& sub = initialData[level];
            if (!sub.pSysMem) continue;
            uint32_t w = std::max(1u, desc.Width >> level), h = std::max(1u, desc.Height >> level);
            uint32_t d = std::max(1u, desc.Depth >> level);
            SetUnpackPitch(sub.SysMemPitch, sub.SysMemSlicePitch, format.bytes);
            glTextureSubImage3D(texture->gl_, static_cast<GLint>(level), 0, 0, 0, static_cast<GLsizei>(w),
                                static_cast<GLsizei>(h), static_cast<GLsizei>(d), format.format, format.type, sub.pSysMem);
        }
        ResetUnpackPitch();
        if (generate && levels > 1) glGenerateTextureMipmap(texture->gl_);
    } else {
        for (uint32_t level = 0; level < levels; ++level) {
            glClearTexImage(texture->gl_, static_cast<GLint>(level), format.format, format.type, nullptr);
        }
    }
    return texture;
}

Texture1DPtr Device::CreateTexture1D(const Texture1DDesc& desc, const SubresourceData* initialData) {
    GlFormat format = ToGl(desc.Format);
    const uint32_t slices = std::max(1u, desc.ArraySize);
    if (desc.Width == 0 || desc.Width > impl_->maxTextureSize || format.internalFormat == 0 ||
        format.format == GL_DEPTH_STENCIL || slices > impl_->maxArrayLayers || desc.MipLevels > FullMipCount(desc.Width, 1) ||
        desc.Usage == Usage::Staging || desc.Usage == Usage::Dynamic) {
        LOG("Failed to create a 1D texture of %u texels and %u slices: unsupported size, format or use", desc.Width,
            slices);
        return nullptr;
    }
    Texture1DPtr texture(new Texture1D());
    texture->desc_ = desc;
    texture->desc_.ArraySize = slices;
    texture->generation_ = impl_->generation;
    const uint32_t levels = desc.MipLevels == 0 ? FullMipCount(desc.Width, 1) : desc.MipLevels;
    texture->desc_.MipLevels = levels;
    texture->target_ = slices > 1 ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D;
    glCreateTextures(texture->target_, 1, &texture->gl_);
    const auto w = static_cast<GLsizei>(desc.Width);
    if (slices > 1) {
        glTextureStorage2D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat, w, static_cast<GLsizei>(slices));
    } else {
        glTextureStorage1D(texture->gl_, static_cast<GLsizei>(levels), format.internalFormat, w);
    }
    glTextureParameteri(texture->gl_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    for (uint32_t level = 0; level < levels; ++level) {
        glClearTexImage(texture->gl_, static_cast<GLint>(level), format.format, format.type, nullptr);
    }
    // Subresources run through the mip levels of slice 0, then of slice 1, ...
    for (uint32_t slice = 0; initialData && slice < slices; ++slice) {
        for (uint32_t level = 0; level < levels; ++level) {
            const SubresourceData& sub = initialData[slice * levels + level];
            if (!sub.pSysMem) continue;
            const GLsizei width = std::max(1, w >> level);
            if (slices > 1) {
                glTextureSubImage2D(texture->gl_, static_cast<GLint>(level), 0, static_cast<GLint>(slice), width, 1,
                                    format.format, format.type, sub.pSysMem);
            } else {
                glTextureSubImage1D(texture->gl_, static_cast<GLint>(level), 0, width, format.format, format.type,
                                    sub.pSysMem);
            }
        }
    }
    if (initialData && (desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) != 0 && levels > 1) {
        glGenerateTextureMipmap(texture->gl_);
    }
    return texture;
}

ShaderResourceViewPtr Device::CreateShaderResourceView(const ResourcePtr& resource, const ShaderResourceViewDesc* desc) {
    if (!resource) return nullptr;
    ShaderResourceViewPtr view(new ShaderResourceView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    switch (resource->GetKind()) {
        case Resource::Kind::Buffer: {
            const auto& bd = static_cast<const Buffer&>(*resource).GetDesc();
            view->desc_.ViewDimension = SrvDimension::Buffer;
            uint32_t stride = bd.StructureByteStride ? bd.StructureByteStride : 4;
            if (!desc || view->desc_.NumElements == 0) view->desc_.NumElements = bd.ByteWidth / stride - view->desc_.FirstElement;
            if (uint64_t(view->desc_.FirstElement + view->desc_.NumElements) * stride > bd.ByteWidth) {
                LOG("Failed to create a view of %u elements: the buffer holds %u bytes", view->desc_.NumElements, bd.ByteWidth);
                return nullptr;
            }
            break;
        }
        case Resource::Kind::Texture2D: {
            const auto& td = static_cast<const Texture2D&>(*resource).GetDesc();
            if (td.Usage == Usage::Staging) {
                LOG("Failed to create a shader view of a staging texture");
                return nullptr;
            }
            view->desc_.ViewDimension = ViewDimensionOf(td);
            if (view->desc_.Format == Format::Unknown) view->desc_.Format = td.Format;
            break;
        }
        case Resource::Kind::Texture1D: {
            const auto& td = static_cast<const Texture1D&>(*resource).GetDesc();
            view->desc_.ViewDimension = td.ArraySize > 1 ? SrvDimension::Texture1DArray : SrvDimension::Texture1D;
            if (view->desc_.Format == Format::Unknown) view->desc_.Format = td.Format;
            break;
        }
        case Resource::Kind::Texture3D:
            view->desc_.ViewDimension = SrvDimension::Texture3D;
            if (view->desc_.Format == Format::Unknown) view->desc_.Format = static_cast<const Texture3D&>(*resource).GetDesc().Format;
            break;
    }
    return view;
}

RenderTargetViewPtr Device::CreateRenderTargetView(const ResourcePtr& resource, const RenderTargetViewDesc* desc) {
    if (!resource || resource->GetKind() != Resource::Kind::Texture2D) {
        LOG("Failed to create a render-target view: not a 2D texture");
        return nullptr;
    }
    const auto& td = static_cast<const Texture2D&>(*resource).GetDesc();
    if (td.Usage == Usage::Staging || td.Format == Format::D24_UNorm_S8_UInt) {
        LOG("Failed to create a render-target view of a staging or depth texture");
        return nullptr;
    }
    if (td.ArraySize > 1 || (td.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0) {
        LOG("Failed to create a render-target view of a texture array or cube: they are shader inputs only");
        return nullptr;
    }
    RenderTargetViewPtr view(new RenderTargetView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    if (view->desc_.Format == Format::Unknown) view->desc_.Format = td.Format;
    view->desc_.ViewDimension = td.SampleDesc.Count > 1 ? RtvDimension::Texture2DMS : RtvDimension::Texture2D;
    if (view->desc_.MipSlice >= td.MipLevels) {
        LOG("Failed to create a render-target view of mip %u (the texture has %u)", view->desc_.MipSlice, td.MipLevels);
        return nullptr;
    }
    return view;
}

DepthStencilViewPtr Device::CreateDepthStencilView(const ResourcePtr& resource, const DepthStencilViewDesc* desc) {
    if (!resource || resource->GetKind() != Resource::Kind::Texture2D ||
        static_cast<const Texture2D&>(*resource).GetDesc().Format != Format::D24_UNorm_S8_UInt ||
        static_cast<const Texture2D&>(*resource).GetDesc().ArraySize > 1) {
        LOG("Failed to create a depth-stencil view: not a depth texture");
        return nullptr;
    }
    const auto& td = static_cast<const Texture2D&>(*resource).GetDesc();
    DepthStencilViewPtr view(new DepthStencilView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    view->desc_.Format = td.Format;
    DsvDimension actual = td.SampleDesc.Count > 1 ? DsvDimension::Texture2DMS : DsvDimension::Texture2D;
    if (desc && desc->ViewDimension != DsvDimension::Unknown && desc->ViewDimension != actual) {
        LOG("Failed to create a depth-stencil view: its dimension does not match the texture's samples");
        return nullptr;
    }
    view->desc_.ViewDimension = actual;
    return view;
}

}  // namespace gpu
