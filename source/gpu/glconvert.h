#pragma once
// Translation of the layer's D3D-style formats and enums into GL values. Internal to the
// gpu layer; GL enums are passed as uint32_t so this header needs no GL include.
#include <cstdint>

#include "gpu/types.h"
#include "hlsl/shaderblob.h"

namespace gpu {

struct GlFormat {
    uint32_t internalFormat = 0;  // 0: unsupported
    uint32_t format = 0;          // pixel transfer format
    uint32_t type = 0;            // pixel transfer type
    uint32_t bytes = 0;           // bytes per pixel / element
    // As a vertex attribute:
    uint32_t components = 0;
    bool normalized = false;
    bool integer = false;
};

GlFormat ToGl(Format format);
uint32_t ToGlBlend(Blend blend);
uint32_t ToGlBlendOp(BlendOp op);
uint32_t ToGlCompare(ComparisonFunc func);
uint32_t ToGlStencilOp(StencilOp op);
uint32_t ToGlAddress(TextureAddressMode mode);
// The GL texture target a shader texture of this kind samples.
uint32_t ToGlTarget(ShaderBlob::TextureKind kind);
uint32_t ToGlTopology(PrimitiveTopology topology);  // 0: nothing to draw
// Minification and magnification filters of a D3D filter value.
void ToGlFilter(Filter filter, uint32_t* minFilter, uint32_t* magFilter, bool* anisotropic, bool* comparison);

}  // namespace gpu
