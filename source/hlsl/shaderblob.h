#pragma once
// The result of translating one HLSL entry point: GLSL 4.50 source plus the tables the
// context needs to bind D3D-style slots to GL bindings. Plain data, cacheable and copyable;
// tests may also build one by hand around GLSL of their own.
#include <cstdint>
#include <string>
#include <vector>

namespace gpu {

enum class ShaderStage : uint32_t { Vertex, Pixel };

// Per-stage GL binding ranges. Constant buffer bN of the vertex stage is UBO binding N,
// of the pixel stage 16 + N; structured buffers (tN) are SSBO bindings likewise; each
// (texture, sampler) pair gets its own texture unit from the stage's range.
constexpr uint32_t kVertexBindingBase = 0;
constexpr uint32_t kPixelBindingBase = 16;
constexpr uint32_t kMaxConstantBufferSlots = 14;  // b0..b13 per stage, as D3D11
constexpr uint32_t kMaxShaderResourceSlots = 128;  // t0..t127 per stage
constexpr uint32_t kMaxSamplerSlots = 16;          // s0..s15 per stage

struct ShaderBlob {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entryPoint;
    std::string glsl;  // complete GLSL 4.50 source for a separable program

    // One byte range of a constant buffer moved from its HLSL offset to its GL offset.
    struct CopyRange {
        uint32_t hlslOffset;
        uint32_t glOffset;
        uint32_t size;
    };
    struct ConstantBuffer {
        uint32_t slot;       // HLSL register bN
        uint32_t glBinding;  // UBO binding in the GLSL
        uint32_t glSize;     // bytes of the GL block (std140)
        std::vector<CopyRange> repack;  // empty: the HLSL bytes are uploaded unchanged
    };
    std::vector<ConstantBuffer> constantBuffers;

    struct StructuredBuffer {
        uint32_t slot;       // HLSL register tN
        uint32_t glBinding;  // SSBO binding in the GLSL
    };
    std::vector<StructuredBuffer> structuredBuffers;

    enum class TextureKind : uint32_t {
        Texture2D,
        Texture2DMS,
        Texture3D,
        Texture1D,
        Texture1DArray,
        Texture2DArray,
        Texture2DMSArray,
        TextureCube,
        TextureCubeArray,
        Buffer,  // Buffer<T>: typed buffer views are not bound yet, so it reads zero
    };
    static constexpr uint32_t kTextureKindCount = 10;
    struct Texture {
        uint32_t textureSlot;  // HLSL register tN
        int32_t samplerSlot;   // HLSL register sN; -1 when only Load() reads it
        uint32_t glUnit;       // texture unit named by layout(binding=) in the GLSL
        TextureKind kind;
    };
    std::vector<Texture> textures;

    // Vertex stage only: the inputs the entry point reads, with their GL locations.
    struct Input {
        std::string semantic;  // upper case, without the index ("POSITION")
        uint32_t semanticIndex;
        uint32_t location;
    };
    std::vector<Input> inputs;
};

}  // namespace gpu
