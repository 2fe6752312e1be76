#pragma once
// A constant buffer of a fixed byte size, uploaded through a shadow copy.
#include <cstdint>

#include "graphics/shadowedbuffer.h"

class ConstantBuffer {
public:
    explicit ConstantBuffer(uint32_t byteSize);

    // Uploads all byteSize bytes unless they equal the last upload.
    bool Update(const void* data);
    // Uploads only the first byteCount bytes (at most the byte size), e.g. a record that
    // is shorter than its 16-byte-aligned buffer.
    bool Update(const void* data, uint32_t byteCount);

    const gpu::BufferPtr& GetBuffer() const { return buffer_.GetBuffer(); }
    uint32_t GetByteSize() const { return byteSize_; }

private:
    uint32_t byteSize_;
    ShadowedBuffer buffer_;
};
