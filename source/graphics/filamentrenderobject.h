#pragma once
// Many instanced tubes ("strands") whose centre lines are uploaded every frame as points.
// Instance i follows points i x P .. i x P + P - 1 of the point buffer (t7 of the vertex
// stage); the tube template is bent along them by the filament shader.
#include <memory>
#include <string>

#include "graphics/indexbuffer.h"
#include "graphics/renderableobject.h"
#include "graphics/structurebuffer.h"
#include "graphics/texture.h"
#include "graphics/tubetemplate.h"
#include "graphics/vertex.h"
#include "graphics/vertexbuffer.h"

class FilamentRenderObject : public RenderableObject {
public:
    // One point of a centre line: 16 bytes, e.g. a position and a free fourth value.
    struct Point {
        float x = 0, y = 0, z = 0, w = 0;
    };

    // rings >= 2 and rings x sides <= 65,536; otherwise the object logs once and draws nothing.
    FilamentRenderObject(const std::string& textureName, int strandCount, int pointsPerStrand, int rings, int sides,
                         const RadiusProfile& profile);

    // Uploads strandCount x pointsPerStrand points (unchanged points cost no upload).
    void UpdatePoints(const Point* points);

    // Draws every strand as one instance; `value` goes to the shader, `world` is not used.
    void Render(const float* world, float value) override;

    // Shader parameters forwarded with each draw; their meaning belongs to the shader.
    void SetTunables(float tunable1, float tunable2, float tunable3) {
        tunable1_ = tunable1;
        tunable2_ = tunable2;
        tunable3_ = tunable3;
    }

    int GetStrandCount() const { return strandCount_; }
    int GetPointsPerStrand() const { return pointsPerStrand_; }
    const std::shared_ptr<VertexBuffer<SVertexDesc>>& GetTubeVertices() const { return tubeVertices_; }
    const std::shared_ptr<IndexBuffer<unsigned short>>& GetTubeIndices() const { return tubeIndices_; }
    const StructureBuffer<Point>& GetPoints() const { return points_; }
    Texture& GetTexture() { return texture_; }

private:
    ConstantBuffer pointConstants_;
    int strandCount_;
    int pointsPerStrand_;
    StructureBuffer<Point> points_;
    float tunable1_ = 5.0f;
    float tunable2_ = 1.0f;
    float tunable3_ = 0.5f;
    std::shared_ptr<VertexBuffer<SVertexDesc>> tubeVertices_;
    std::shared_ptr<IndexBuffer<unsigned short>> tubeIndices_;
    Texture texture_;
};
static_assert(sizeof(FilamentRenderObject::Point) == 16, "filament points are 16 bytes");
