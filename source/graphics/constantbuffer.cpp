#include "graphics/constantbuffer.h"

namespace {
gpu::BufferDesc ConstantDesc(uint32_t byteSize) {
    gpu::BufferDesc desc;
    desc.ByteWidth = byteSize;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    return desc;
}
}  // namespace

ConstantBuffer::ConstantBuffer(uint32_t byteSize) : byteSize_(byteSize), buffer_(ConstantDesc(byteSize)) {}

bool ConstantBuffer::Update(const void* data) { return buffer_.Update(data, byteSize_); }

bool ConstantBuffer::Update(const void* data, uint32_t byteCount) { return buffer_.Update(data, byteCount); }
