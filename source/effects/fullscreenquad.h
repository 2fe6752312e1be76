#pragma once
// The drawing steps every full-screen pass shares: the quad itself, and the target and
// texture bindings around it.
#include <cstdint>

#include "gpu/resources.h"

namespace Effects {

// Binds gQuadVertexBuffer at slot 0 (stride 32, offset 0) as a triangle strip and draws
// its 4 vertices.
void DrawFullScreenQuad();

// Unbinds every render target and the depth buffer, so a texture that was a target can be read.
void UnbindRenderTargets();

// Makes `target` the only render target, without a depth buffer.
void SetRenderTarget(const gpu::RenderTargetViewPtr& target);

// Binds one view at `slot` of the pixel and the vertex stage.
void BindTexture(uint32_t slot, const gpu::ShaderResourceViewPtr& view);

// Binds one constant buffer at `slot` of the pixel and the vertex stage.
void BindConstants(uint32_t slot, const gpu::BufferPtr& buffer);

}  // namespace Effects
