#pragma once
// A structured buffer of `capacity` records of type T with a shader resource view over all
// of them, uploaded through a shadow copy. `used` tells how many records the last update
// wrote, for shaders and draw calls that read only those.
#include <cstdint>

#include "graphics/shadowedbuffer.h"
#include "gpu/resources.h"

// Creates the view over a structured buffer of `capacity` elements; null when buffer is null.
gpu::ShaderResourceViewPtr CreateStructuredBufferView(const gpu::BufferPtr& buffer, uint32_t capacity);

template <typename T>
class StructureBuffer {
public:
    explicit StructureBuffer(uint32_t capacity)
        : capacity_(capacity), buffer_(Desc(capacity)), view_(CreateStructuredBufferView(buffer_.GetBuffer(), capacity)) {}

    // Writes count records (at most the capacity). A count of 0 only sets used to 0.
    bool Update(const T* data, uint32_t count) {
        if (count > capacity_) return false;
        used_ = count;
        if (count == 0) return true;
        return buffer_.Update(data, count * kElementSize);
    }

    const gpu::BufferPtr& GetBuffer() const { return buffer_.GetBuffer(); }
    const gpu::ShaderResourceViewPtr& GetView() const { return view_; }
    uint32_t GetElementSize() const { return kElementSize; }
    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetUsed() const { return used_; }
    // What the last update wrote (the first `used` records), as the CPU keeps it.
    const T* GetShadow() const { return reinterpret_cast<const T*>(buffer_.GetShadow()); }

private:
    static constexpr uint32_t kElementSize = uint32_t(sizeof(T));

    static gpu::BufferDesc Desc(uint32_t capacity) {
        gpu::BufferDesc desc;
        uint64_t bytes = uint64_t(capacity) * kElementSize;
        desc.ByteWidth = bytes > UINT32_MAX ? 0 : uint32_t(bytes);  // 0: no buffer
        desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
        desc.MiscFlags = gpu::RESOURCE_MISC_BUFFER_STRUCTURED;
        desc.StructureByteStride = kElementSize;
        return desc;
    }

    uint32_t capacity_;
    uint32_t used_ = 0;
    ShadowedBuffer buffer_;
    gpu::ShaderResourceViewPtr view_;
};
