#include "graphics/geometrybuffer.h"

namespace {
gpu::BufferDesc GeometryDesc(uint32_t bindFlags, uint32_t byteSize) {
    gpu::BufferDesc desc;
    desc.ByteWidth = byteSize;
    desc.BindFlags = bindFlags;
    return desc;
}
}  // namespace

GeometryBuffer::GeometryBuffer(uint32_t bindFlags, uint32_t byteSize)
    : bindFlags_(bindFlags), byteSize_(byteSize), buffer_(GeometryDesc(bindFlags, byteSize)) {}

bool GeometryBuffer::Update(const void* data, uint32_t byteCount) { return buffer_.Update(data, byteCount); }
