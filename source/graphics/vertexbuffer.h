#pragma once
// Vertex buffers: a GeometryBuffer of count x sizeof(V) bytes that knows its stride.
#include <cstdint>

#include "graphics/geometrybuffer.h"
#include "gpu/types.h"

class AbstractVertexBuffer {
public:
    virtual ~AbstractVertexBuffer() = default;
    virtual uint32_t GetStride() const = 0;
};

template <typename V>
class VertexBuffer : public AbstractVertexBuffer, public GeometryBuffer {
public:
    explicit VertexBuffer(uint32_t vertexCount)
        : GeometryBuffer(gpu::BIND_VERTEX_BUFFER, vertexCount * uint32_t(sizeof(V))), vertexCount_(vertexCount) {}

    uint32_t GetStride() const override { return stride_; }
    uint32_t GetVertexCount() const { return vertexCount_; }
    // Uploads the first count vertices (at most the vertex count).
    bool UpdateVertices(const V* vertices, uint32_t count) {
        return count <= vertexCount_ && Update(vertices, count * stride_);
    }

private:
    uint32_t vertexCount_;
    uint32_t stride_ = uint32_t(sizeof(V));
};
