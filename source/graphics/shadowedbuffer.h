#pragma once
// A dynamic GPU buffer with a CPU copy of what it last uploaded. An update whose bytes
// equal the copy costs one compare and no GPU traffic; anything else is written with
// Map(WriteDiscard). The buffer wrappers (geometry, constant, structured) build on it.
#include <cstdint>
#include <vector>

#include "gpu/resources.h"

class ShadowedBuffer {
public:
    // Creates a dynamic, CPU-writable buffer without initial data. byteWidth, bind flags,
    // misc flags and structure stride are taken from desc; usage and CPU access are forced.
    explicit ShadowedBuffer(const gpu::BufferDesc& desc);
    ShadowedBuffer(const ShadowedBuffer&) = delete;
    ShadowedBuffer& operator=(const ShadowedBuffer&) = delete;

    // Uploads the first byteCount bytes unless they equal what was last uploaded. The first
    // update always uploads, as does one reaching past the
    // bytes written by the last upload. False when there is no buffer, byteCount exceeds its size, or
    // mapping fails (the shadow then stays as it was, so the next update retries).
    bool Update(const void* data, uint32_t byteCount);

    const gpu::BufferPtr& GetBuffer() const { return buffer_; }
    uint32_t GetByteSize() const { return static_cast<uint32_t>(shadow_.size()); }
    const uint8_t* GetShadow() const { return shadow_.data(); }

private:
    gpu::BufferPtr buffer_;
    std::vector<uint8_t> shadow_;
    // Bytes of the shadow known to match the GPU: none before the first upload, and a
    // discarding upload of a prefix leaves the rest of the buffer undefined.
    uint32_t validBytes_ = 0;
};
