#pragma once
// Draws Dear ImGui's draw lists onto the back buffer through the gpu layer: one font
// texture, dynamic vertex and index buffers that grow as needed, alpha blending.
#include "gpu/resources.h"

struct ImDrawData;

class OverlayRenderer {
public:
    // Builds the font texture from the current ImGui context's atlas and the shaders.
    OverlayRenderer();
    // False when a part could not be made (logged once); Render then draws nothing.
    bool IsReady() const { return ready_; }
    void Render(const ImDrawData& data);

private:
    bool Reserve(gpu::BufferPtr* buffer, uint32_t* capacity, uint32_t bytes, uint32_t bindFlags);

    bool ready_ = false;
    gpu::VertexShaderPtr vertexShader_;
    gpu::PixelShaderPtr pixelShader_;
    gpu::InputLayoutPtr layout_;
    gpu::ShaderResourceViewPtr font_;
    gpu::BufferPtr constants_;
    gpu::BufferPtr vertices_;
    gpu::BufferPtr indices_;
    uint32_t vertexCapacity_ = 0;  // bytes
    uint32_t indexCapacity_ = 0;
    gpu::RasterizerStatePtr noCull_;
};
