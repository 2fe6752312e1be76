#pragma once
// Base of the generic drawable objects. Every renderable shares one one-element instance
// buffer (the world matrix read by the vertex shader at t6) and owns 80 bytes of object
// constants (bound at b2).
#include <memory>

#include "graphics/constantbuffer.h"
#include "graphics/structurebuffer.h"

class RenderableObject {
public:
    // The world transform of one instance: a row-major 4 x 4 matrix, identity by default.
    struct GPUModelData {
        float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    };
    using InstanceBuffer = StructureBuffer<GPUModelData>;

    RenderableObject();
    virtual ~RenderableObject();
    RenderableObject(const RenderableObject&) = delete;
    RenderableObject& operator=(const RenderableObject&) = delete;

    // Draws with the caller's shaders, topology and states. Each subclass uses either the
    // world matrix (16 floats) or the value and ignores the other.
    virtual void Render(const float* world, float value) = 0;

    const std::shared_ptr<InstanceBuffer>& GetInstanceData() const { return instanceData_; }

protected:
    static constexpr uint32_t kObjectConstantsSize = 80;

    std::shared_ptr<InstanceBuffer> instanceData_;
    ConstantBuffer objectConstants_;
};
static_assert(sizeof(RenderableObject::GPUModelData) == 64, "one instance is a 4 x 4 float matrix");
