#pragma once
// Context internals shared by the files that implement gpu::Context: the bound D3D-style
// state, the GL objects the context owns and a cache of what GL currently has bound.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "gpu/context.h"
#include "gpu/framebuffercache.h"
#include "hlsl/shaderblob.h"

namespace gpu {

constexpr uint32_t kMaxVertexBufferSlots = 16;
constexpr uint32_t kMaxRenderTargets = 8;
constexpr uint32_t kMaxViewports = 16;
constexpr uint32_t kMaxGlBindings = 64;    // UBO / SSBO binding points tracked
constexpr uint32_t kMaxTextureUnits = 96;  // texture units tracked

struct StageBindings {
    std::array<BufferPtr, kMaxConstantBufferSlots> constantBuffers;
    std::array<ShaderResourceViewPtr, kMaxShaderResourceSlots> views;
    std::array<SamplerStatePtr, kMaxSamplerSlots> samplers;
};

struct Context::Impl {
    explicit Impl(uint32_t generation);
    ~Impl();

    // --- state bound through the API ---
    InputLayoutPtr layout;
    std::array<BufferPtr, kMaxVertexBufferSlots> vertexBuffers;
    std::array<uint32_t, kMaxVertexBufferSlots> strides{};
    std::array<uint32_t, kMaxVertexBufferSlots> offsets{};
    BufferPtr indexBuffer;
    Format indexFormat = Format::R16_UInt;
    uint32_t indexOffset = 0;
    PrimitiveTopology topology = PrimitiveTopology::Undefined;
    VertexShaderPtr vs;
    PixelShaderPtr ps;
    StageBindings stages[2];  // indexed by ShaderStage
    std::array<RenderTargetViewPtr, kMaxRenderTargets> targets;
    uint32_t targetCount = 0;
    DepthStencilViewPtr depthView;
    BlendStatePtr blend;
    float blendFactor[4] = {1, 1, 1, 1};
    uint32_t sampleMask = 0xFFFFFFFFu;
    DepthStencilStatePtr depthState;
    uint32_t stencilRef = 0;
    RasterizerStatePtr rasterizer;
    std::array<Viewport, kMaxViewports> viewports{};
    uint32_t viewportCount = 0;

    // --- the blend state GL holds, so that a change sends only what differs ---
    struct AppliedBlend {
        bool known = false;  // false until the first draw sets everything
        RenderTargetBlendDesc targets[kMaxRenderTargets];
        float factor[4] = {};
        bool alphaToCoverage = false;
        uint32_t sampleMask = 0;
    } appliedBlend;

    // --- what must be re-sent to GL before the next draw ---
    bool blendDirty = true;
    bool depthDirty = true;
    bool rasterizerDirty = true;
    bool viewportDirty = true;
    bool framebufferDirty = true;

    // --- GL objects owned by the context ---
    uint32_t generation;
    FramebufferCache framebuffers;
    struct Pipeline {
        std::weak_ptr<VertexShader> vs;
        std::weak_ptr<PixelShader> ps;
        uint32_t gl = 0;
    };
    std::map<std::pair<const void*, const void*>, Pipeline> pipelines;
    uint32_t emptyVao = 0;
    uint32_t emptyVaoElementBuffer = 0;
    uint32_t zeroTextures[ShaderBlob::kTextureKindCount] = {};  // one of each kind, read when nothing fits
    uint32_t zeroBuffer = 0;          // 64 KiB of zeros: null constant and structured buffers
    uint32_t pointSampler = 0;        // for textures the shader only Load()s
    uint32_t linearSampler = 0;       // D3D's default for a null sampler slot
    // Single-sampled copy of a multisampled source that is read back or copied.
    uint32_t scratchTexture = 0;
    uint32_t scratchFbo = 0;
    uint32_t scratchWidth = 0;
    uint32_t scratchHeight = 0;
    uint32_t scratchFormat = 0;

    // --- what GL has bound now ---
    uint64_t deletionEpoch = 0;       // GlDeletionEpoch() when the cache below was last trusted
    void ForgetGlBindings();
    void ApplyBlend(const BlendDesc& desc);
    uint32_t glFramebuffer = ~0u;
    uint32_t glPipeline = ~0u;
    uint32_t glVao = ~0u;
    std::array<uint32_t, kMaxTextureUnits> glTextures{};
    std::array<uint32_t, kMaxTextureUnits> glSamplers{};
    struct BufferRange {
        uint32_t buffer = 0;
        uint32_t offset = 0;
        uint32_t size = 0;
        bool operator==(const BufferRange&) const = default;
    };
    std::array<BufferRange, kMaxGlBindings> glUniformBuffers{};
    std::array<BufferRange, kMaxGlBindings> glStorageBuffers{};

    std::vector<uint8_t> repackScratch;
    Stats stats;

    // Draw-time helpers (contextdraw.cpp).
    bool PrepareDraw();
    bool ApplyPipeline();
    void ApplyFramebufferState();
    void ApplyFixedFunction();
    void ApplyStage(ShaderStage stage, const ShaderBlob& blob);
    void ApplyVertexInput(bool indexed);
    uint32_t ConstantBufferFor(const BufferPtr& buffer, const ShaderBlob::ConstantBuffer& cb, uint32_t* size);
    bool IsBoundAsTarget(const Resource* resource) const;
    void BindTexture(uint32_t unit, uint32_t name, uint32_t sampler);
    void BindBufferRange(uint32_t target, uint32_t binding, BufferRange range);

    // Transfer helpers (contexttransfer.cpp).
    // Blits a multisampled texture into another texture's level 0 (same size).
    bool Resolve(const Texture2DPtr& destination, const Texture2DPtr& source);
    // GL name of a single-sampled texture holding the source's level 0: the texture itself,
    // or the scratch texture it was resolved into.
    uint32_t SingleSampled(const Texture2DPtr& source);
};

}  // namespace gpu
