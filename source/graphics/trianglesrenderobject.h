#pragma once
// A white, untextured triangle list with one world transform.
#include <memory>
#include <vector>

#include "graphics/renderableobject.h"
#include "graphics/texture.h"
#include "graphics/vertex.h"
#include "graphics/vertexbuffer.h"

class TrianglesRenderObject : public RenderableObject {
public:
    // Takes the vertices (three per triangle), uploads them and frees the list.
    explicit TrianglesRenderObject(std::vector<SVertexDesc>&& vertices);

    // Draws all triangles as one instance placed by `world` (16 floats, row-major; null
    // means identity); `value` is not used. The caller sets shaders, layout and topology.
    void Render(const float* world, float value) override;

    const std::shared_ptr<VertexBuffer<SVertexDesc>>& GetVertices() const { return vertices_; }

private:
    std::shared_ptr<VertexBuffer<SVertexDesc>> vertices_;
    Texture texture_;
};
