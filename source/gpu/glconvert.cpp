#include "gpu/glconvert.h"

#include <epoxy/gl.h>

namespace gpu {

GlFormat ToGl(Format format) {
    switch (format) {
        case Format::R32G32B32A32_Float: return {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, 4, false, false};
        case Format::R32G32B32_Float: return {GL_RGB32F, GL_RGB, GL_FLOAT, 12, 3, false, false};
        case Format::R32G32_Float: return {GL_RG32F, GL_RG, GL_FLOAT, 8, 2, false, false};
        case Format::R32_Float: return {GL_R32F, GL_RED, GL_FLOAT, 4, 1, false, false};
        case Format::R8G8B8A8_UNorm: return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, 4, true, false};
        case Format::R16_UInt: return {GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT, 2, 1, false, true};
        case Format::R32_UInt: return {GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, 4, 1, false, true};
        case Format::D24_UNorm_S8_UInt:
            return {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, 0, false, false};
        case Format::Unknown: break;
    }
    return {};
}

uint32_t ToGlBlend(Blend blend) {
    switch (blend) {
        case Blend::Zero: return GL_ZERO;
        case Blend::One: return GL_ONE;
        case Blend::SrcColor: return GL_SRC_COLOR;
        case Blend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
        case Blend::SrcAlpha: return GL_SRC_ALPHA;
        case Blend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
        case Blend::DestAlpha: return GL_DST_ALPHA;
        case Blend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
        case Blend::DestColor: return GL_DST_COLOR;
        case Blend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
        case Blend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
        case Blend::BlendFactor: return GL_CONSTANT_COLOR;
        case Blend::InvBlendFactor: return GL_ONE_MINUS_CONSTANT_COLOR;
    }
    return GL_ONE;
}

uint32_t ToGlBlendOp(BlendOp op) {
    switch (op) {
        case BlendOp::Add: return GL_FUNC_ADD;
        case BlendOp::Subtract: return GL_FUNC_SUBTRACT;
        case BlendOp::RevSubtract: return GL_FUNC_REVERSE_SUBTRACT;
        case BlendOp::Min: return GL_MIN;
        case BlendOp::Max: return GL_MAX;
    }
    return GL_FUNC_ADD;
}

uint32_t ToGlCompare(ComparisonFunc func) {
    switch (func) {
        case ComparisonFunc::Never: return GL_NEVER;
        case ComparisonFunc::Less: return GL_LESS;
        case ComparisonFunc::Equal: return GL_EQUAL;
        case ComparisonFunc::LessEqual: return GL_LEQUAL;
        case ComparisonFunc::Greater: return GL_GREATER;
        case ComparisonFunc::NotEqual: return GL_NOTEQUAL;
        case ComparisonFunc::GreaterEqual: return GL_GEQUAL;
        case ComparisonFunc::Always: return GL_ALWAYS;
    }
    return GL_ALWAYS;
}

uint32_t ToGlStencilOp(StencilOp op) {
    switch (op) {
        case StencilOp::Keep: return GL_KEEP;
        case StencilOp::Zero: return GL_ZERO;
        case StencilOp::Replace: return GL_REPLACE;
        case StencilOp::IncrSat: return GL_INCR;
        case StencilOp::DecrSat: return GL_DECR;
        case StencilOp::Invert: return GL_INVERT;
        case StencilOp::Incr: return GL_INCR_WRAP;
        case StencilOp::Decr: return GL_DECR_WRAP;
    }
    return GL_KEEP;
}

uint32_t ToGlAddress(TextureAddressMode mode) {
    switch (mode) {
        case TextureAddressMode::Wrap: return GL_REPEAT;
        case TextureAddressMode::Mirror: return GL_MIRRORED_REPEAT;
        case TextureAddressMode::Clamp: return GL_CLAMP_TO_EDGE;
        case TextureAddressMode::Border: return GL_CLAMP_TO_BORDER;
    }
    return GL_CLAMP_TO_EDGE;
}

uint32_t ToGlTopology(PrimitiveTopology topology) {
    switch (topology) {
        case PrimitiveTopology::PointList: return GL_POINTS;
        case PrimitiveTopology::LineList: return GL_LINES;
        case PrimitiveTopology::LineStrip: return GL_LINE_STRIP;
        case PrimitiveTopology::TriangleList: return GL_TRIANGLES;
        case PrimitiveTopology::TriangleStrip: return GL_TRIANGLE_STRIP;
        case PrimitiveTopology::Undefined: break;
    }
    return 0;
}

void ToGlFilter(Filter filter, uint32_t* minFilter, uint32_t* magFilter, bool* anisotropic, bool* comparison) {
    // D3D11 filter bits: mip linear 0x1, mag linear 0x4, min linear 0x10, anisotropic 0x40,
    // comparison 0x80.
    uint32_t bits = static_cast<uint32_t>(filter);
    bool mipLinear = bits & 0x1;
    bool magLinear = bits & 0x4;
    bool minLinear = bits & 0x10;
    *anisotropic = (bits & 0x40) != 0;
    *comparison = (bits & 0x80) != 0;
    if (*anisotropic) mipLinear = magLinear = minLinear = true;
    *magFilter = magLinear ? GL_LINEAR : GL_NEAREST;
    if (minLinear) *minFilter = mipLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    else *minFilter = mipLinear ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
}

uint32_t ToGlTarget(ShaderBlob::TextureKind kind) {
    using Kind = ShaderBlob::TextureKind;
    switch (kind) {
        case Kind::Texture2D: return GL_TEXTURE_2D;
        case Kind::Texture2DMS: return GL_TEXTURE_2D_MULTISAMPLE;
        case Kind::Texture3D: return GL_TEXTURE_3D;
        case Kind::Texture1D: return GL_TEXTURE_1D;
        case Kind::Texture1DArray: return GL_TEXTURE_1D_ARRAY;
        case Kind::Texture2DArray: return GL_TEXTURE_2D_ARRAY;
        case Kind::Texture2DMSArray: return GL_TEXTURE_2D_MULTISAMPLE_ARRAY;
        case Kind::TextureCube: return GL_TEXTURE_CUBE_MAP;
        case Kind::TextureCubeArray: return GL_TEXTURE_CUBE_MAP_ARRAY;
        case Kind::Buffer: return GL_TEXTURE_BUFFER;
    }
    return GL_TEXTURE_2D;
}

}  // namespace gpu
