#pragma once
// 16-bit index buffers (signed or unsigned elements), always bound as R16_UInt, so one
// mesh addresses at most 65,536 vertices.
#include <cstdint>

#include "graphics/geometrybuffer.h"
#include "gpu/types.h"

template <typename I>
class IndexBuffer : public GeometryBuffer {
    static_assert(sizeof(I) == 2, "index buffers hold 16-bit indices");

public:
    explicit IndexBuffer(uint32_t indexCount)
        : GeometryBuffer(gpu::BIND_INDEX_BUFFER, indexCount * 2u), indexCount_(indexCount) {}

    uint32_t GetIndexCount() const { return indexCount_; }
    static constexpr gpu::Format GetFormat() { return gpu::Format::R16_UInt; }
    // Uploads the first count indices (at most the index count).
    bool UpdateIndices(const I* indices, uint32_t count) {
        return count <= indexCount_ && Update(indices, count * 2u);
    }

private:
    uint32_t indexCount_;
};
