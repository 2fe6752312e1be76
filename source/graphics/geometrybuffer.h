#pragma once
// The data part of vertex and index buffers: a dynamic buffer bound as vertex or index
// buffer, uploaded through a shadow copy so unchanged data cost no GPU traffic.
#include <cstdint>

#include "graphics/shadowedbuffer.h"

class GeometryBuffer {
public:
    // bindFlags: gpu::BIND_VERTEX_BUFFER or gpu::BIND_INDEX_BUFFER.
    GeometryBuffer(uint32_t bindFlags, uint32_t byteSize);

    // Uploads byteCount bytes (at most the byte size) unless they equal the last upload.
    bool Update(const void* data, uint32_t byteCount);

    const gpu::BufferPtr& GetBuffer() const { return buffer_.GetBuffer(); }
    uint32_t GetBindFlags() const { return bindFlags_; }
    uint32_t GetByteSize() const { return byteSize_; }

private:
    uint32_t bindFlags_;
    uint32_t byteSize_;
    ShadowedBuffer buffer_;
};
