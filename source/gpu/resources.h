#pragma once
// Resources, views, state objects and shaders of the gpu layer. All are created by
// gpu::Device, held through shared pointers (a view keeps its resource alive, the context
// keeps what is bound alive) and release their GL objects when the last holder lets go.
// A resource that failed to create is simply null; binding null reads as zero.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gpu/types.h"

namespace gpu {

class Device;
class Context;
class SwapChain;
struct ShaderBlob;

class Resource {
public:
    enum class Kind { Buffer, Texture2D, Texture3D, Texture1D };
    virtual ~Resource() = default;
    Kind GetKind() const { return kind_; }

protected:
    explicit Resource(Kind kind) : kind_(kind) {}

private:
    Kind kind_;
};

class Buffer final : public Resource {
public:
    ~Buffer() override;
    const BufferDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    Buffer() : Resource(Kind::Buffer) {}
    BufferDesc desc_;
    uint32_t gl_ = 0;                 // GL buffer name
    std::vector<uint8_t> shadow_;     // CPU copy: staging reads, constant-buffer repacking
    uint64_t version_ = 0;            // bumped on every write, for repack caching
    uint32_t generation_ = 0;         // GL context the names belong to
    // Repacked GL-side copy for shaders whose constant-buffer layout differs from HLSL's.
    uint32_t repackGl_ = 0;
    uint64_t repackVersion_ = 0;
    std::vector<uint32_t> repackKey_; // glSize followed by the copy table it was built with
    void* fence_ = nullptr;           // staging: completion of the last copy into it
    bool mapped_ = false;
};

class Texture2D final : public Resource {
public:
    ~Texture2D() override;
    const Texture2DDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    friend class SwapChain;
    Texture2D() : Resource(Kind::Texture2D) {}
    Texture2DDesc desc_;
    uint32_t gl_ = 0;                 // GL texture (or renderbuffer for depth) name
    uint32_t target_ = 0;             // GL_TEXTURE_2D or GL_TEXTURE_2D_MULTISAMPLE
    std::vector<uint8_t> staging_;    // CPU copy of level 0 for Map(WriteDiscard) on dynamic textures
    uint32_t generation_ = 0;         // GL context the names belong to
    // Usage::Staging textures are a pixel buffer (gl_ names it, target_ is 0); CopyResource
    // reads into it asynchronously and fence_ marks when that read has completed.
    void* fence_ = nullptr;
    bool mapped_ = false;
};

class Texture3D final : public Resource {
public:
    ~Texture3D() override;
    const Texture3DDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    Texture3D() : Resource(Kind::Texture3D) {}
    Texture3DDesc desc_;
    uint32_t gl_ = 0;
    uint32_t generation_ = 0;
};

// A 1D texture or 1D texture array: a shader input filled from its initial data.
class Texture1D final : public Resource {
public:
    ~Texture1D() override;
    const Texture1DDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    Texture1D() : Resource(Kind::Texture1D) {}
    Texture1DDesc desc_;
    uint32_t gl_ = 0;
    uint32_t target_ = 0;  // GL_TEXTURE_1D or GL_TEXTURE_1D_ARRAY
    uint32_t generation_ = 0;
};

class ShaderResourceView final {
public:
    ~ShaderResourceView();
    const std::shared_ptr<Resource>& GetResource() const { return resource_; }
    const ShaderResourceViewDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    ShaderResourceView() = default;
    std::shared_ptr<Resource> resource_;
    ShaderResourceViewDesc desc_;
};

class RenderTargetView final {
public:
    ~RenderTargetView();
    const std::shared_ptr<Resource>& GetResource() const { return resource_; }
    const RenderTargetViewDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    friend class SwapChain;
    RenderTargetView() = default;
    std::shared_ptr<Resource> resource_;
    RenderTargetViewDesc desc_;
};

class DepthStencilView final {
public:
    ~DepthStencilView();
    const std::shared_ptr<Resource>& GetResource() const { return resource_; }
    const DepthStencilViewDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    DepthStencilView() = default;
    std::shared_ptr<Resource> resource_;
    DepthStencilViewDesc desc_;
};

class BlendState final {
public:
    const BlendDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    BlendState() = default;
    BlendDesc desc_;
};

class DepthStencilState final {
public:
    const DepthStencilDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    DepthStencilState() = default;
    DepthStencilDesc desc_;
};

class RasterizerState final {
public:
    const RasterizerDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    RasterizerState() = default;
    RasterizerDesc desc_;
};

class SamplerState final {
public:
    ~SamplerState();
    const SamplerDesc& GetDesc() const { return desc_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    SamplerState() = default;
    SamplerDesc desc_;
    uint32_t gl_ = 0;  // GL sampler object
    uint32_t generation_ = 0;
};

class InputLayout final {
public:
    ~InputLayout();

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    InputLayout() = default;
    struct Element {
        uint32_t location;      // the shader input of the same semantic
        Format format;
        uint32_t inputSlot;
        uint32_t offset;
        bool perInstance;
        uint32_t stepRate;
    };
    std::vector<Element> elements_;
    uint32_t vao_ = 0;
    uint32_t generation_ = 0;
    // What the VAO currently sources from, so that unchanged bindings cost no GL call.
    static constexpr uint32_t kSlots = 16;
    uint32_t slotMask_ = 0;  // input slots the elements read
    uint32_t boundBuffer_[kSlots] = {};
    uint32_t boundOffset_[kSlots] = {};
    uint32_t boundStride_[kSlots] = {};
    uint32_t boundElementBuffer_ = 0;
    // GlDeletionEpoch() when the names above were recorded: once a buffer is deleted its
    // name may come back for a new buffer, and the VAO still sources the old one.
    uint64_t boundEpoch_ = 0;
};

class VertexShader final {
public:
    ~VertexShader();
    const std::shared_ptr<const ShaderBlob>& GetBlob() const { return blob_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    VertexShader() = default;
    std::shared_ptr<const ShaderBlob> blob_;
    uint32_t program_ = 0;  // separable GL program
    uint32_t generation_ = 0;
};

class PixelShader final {
public:
    ~PixelShader();
    const std::shared_ptr<const ShaderBlob>& GetBlob() const { return blob_; }

private:
    friend class Device;
    friend struct GlAccess;
    friend class Context;
    PixelShader() = default;
    std::shared_ptr<const ShaderBlob> blob_;
    uint32_t program_ = 0;
    uint32_t generation_ = 0;
};

using ResourcePtr = std::shared_ptr<Resource>;
using BufferPtr = std::shared_ptr<Buffer>;
using Texture2DPtr = std::shared_ptr<Texture2D>;
using Texture3DPtr = std::shared_ptr<Texture3D>;
using Texture1DPtr = std::shared_ptr<Texture1D>;
using ShaderResourceViewPtr = std::shared_ptr<ShaderResourceView>;
using RenderTargetViewPtr = std::shared_ptr<RenderTargetView>;
using DepthStencilViewPtr = std::shared_ptr<DepthStencilView>;
using BlendStatePtr = std::shared_ptr<BlendState>;
using DepthStencilStatePtr = std::shared_ptr<DepthStencilState>;
using RasterizerStatePtr = std::shared_ptr<RasterizerState>;
using SamplerStatePtr = std::shared_ptr<SamplerState>;
using InputLayoutPtr = std::shared_ptr<InputLayout>;
using VertexShaderPtr = std::shared_ptr<VertexShader>;
using PixelShaderPtr = std::shared_ptr<PixelShader>;

}  // namespace gpu
