#include "graphics/shadowedbuffer.h"

#include <cstring>

#include "graphics/devicestate.h"
#include "system/log.h"

namespace {
// Fill byte of a fresh shadow: arbitrary, but not zero, so it rarely matches real data.
constexpr uint8_t kShadowFill = 0x7B;
}  // namespace

ShadowedBuffer::ShadowedBuffer(const gpu::BufferDesc& desc) {
    if (desc.ByteWidth == 0) return;  // nothing to hold; updates report false
    gpu::BufferDesc d = desc;
    d.Usage = gpu::Usage::Dynamic;
    d.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    if (gDevice) buffer_ = gDevice->CreateBuffer(d, nullptr);
    if (!buffer_) {
        LOG("Failed to create buffer of %u bytes", desc.ByteWidth);
        return;
    }
    shadow_.assign(desc.ByteWidth, kShadowFill);
}

bool ShadowedBuffer::Update(const void* data, uint32_t byteCount) {
    if (!buffer_ || !data || byteCount > shadow_.size()) return false;
    if (byteCount <= validBytes_ && std::memcmp(shadow_.data(), data, byteCount) == 0) return true;

    gpu::MappedSubresource mapped;
    if (!gContext->Map(buffer_, 0, gpu::MapType::WriteDiscard, &mapped) || !mapped.pData) return false;
    std::memcpy(mapped.pData, data, byteCount);
    gContext->Unmap(buffer_, 0);
    std::memcpy(shadow_.data(), data, byteCount);
    validBytes_ = byteCount;
    return true;
}
