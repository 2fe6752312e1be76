#pragma once
// Reads GPU resources back through staging copies, for tests that check what was uploaded.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/devicestate.h"

namespace readback {

// The bytes of any buffer, through a staging buffer of the same size.
inline std::vector<uint8_t> Buffer(const gpu::BufferPtr& buffer) {
    if (!buffer) return {};
    gpu::BufferDesc desc;
    desc.ByteWidth = buffer->GetDesc().ByteWidth;
    desc.Usage = gpu::Usage::Staging;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    gpu::BufferPtr staging = gDevice->CreateBuffer(desc, nullptr);
    if (!staging) return {};
    gContext->CopyResource(staging, buffer);
    gpu::MappedSubresource mapped;
    if (!gContext->Map(staging, 0, gpu::MapType::Read, &mapped)) return {};
    std::vector<uint8_t> bytes(desc.ByteWidth);
    std::memcpy(bytes.data(), mapped.pData, bytes.size());
    gContext->Unmap(staging, 0);
    return bytes;
}

// Tightly packed RGBA8 rows of the top level of a single-sampled 2D texture, top row first.
inline std::vector<uint8_t> Texture(const gpu::Texture2DPtr& texture) {
    const uint32_t level = 0;
    if (!texture) return {};
    gpu::Texture2DDesc desc = texture->GetDesc();
    desc.Usage = gpu::Usage::Staging;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    desc.BindFlags = 0;
    desc.MiscFlags = 0;
    gpu::Texture2DPtr staging = gDevice->CreateTexture2D(desc, nullptr);
    if (!staging) return {};
    gContext->CopyResource(staging, texture);
    gpu::MappedSubresource mapped;
    if (!gContext->Map(staging, level, gpu::MapType::Read, &mapped)) return {};
    const uint32_t width = std::max(1u, desc.Width >> level), height = std::max(1u, desc.Height >> level);
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(rgba.data() + size_t(y) * width * 4, static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch,
                    size_t(width) * 4);
    gContext->Unmap(staging, level);
    return rgba;
}

}  // namespace readback
