#pragma once
// gpu::Device creates resources and state objects, like ID3D11Device. One device exists per
// GL context; the context is EGL surfaceless for headless runs or SDL2's for a window.
#include <memory>
#include <string>

#include "gpu/resources.h"
#include "gpu/types.h"

struct SDL_Window;

namespace gpu {

struct GlFormat;

class Context;
class SwapChain;
using DevicePtr = std::shared_ptr<Device>;
using ContextPtr = std::shared_ptr<Context>;
using SwapChainPtr = std::shared_ptr<SwapChain>;

struct AdapterInfo {
    std::string description;        // GL_RENDERER, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)"
    uint32_t dedicatedVideoMemoryMB = 0;  // 0 when the driver does not say
    uint32_t maxTextureSize = 0;          // GL_MAX_TEXTURE_SIZE: the largest texture side
    bool software = false;                // a rasteriser running on the CPU (llvmpipe and the like)
};

struct SwapChainDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    gpu::Format Format = gpu::Format::R8G8B8A8_UNorm;
    gpu::SampleDesc SampleDesc;
};

// Creates the GL context (on the window, or surfaceless EGL when window is null), the device
// and its immediate context. On failure returns false and describes the problem in *error.
bool CreateDevice(SDL_Window* window, DevicePtr* device, ContextPtr* context, std::string* error);

class Device {
public:
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    AdapterInfo GetAdapterInfo() const;
    // Like CheckMultisampleQualityLevels: false when the count is not supported.
    bool CheckMultisampleQualityLevels(Format format, uint32_t sampleCount, uint32_t* qualityLevels) const;

    BufferPtr CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData);
    Texture2DPtr CreateTexture2D(const Texture2DDesc& desc, const SubresourceData* initialData);
    Texture3DPtr CreateTexture3D(const Texture3DDesc& desc, const SubresourceData* initialData);
    // Default or immutable use only: a shader input filled from its initial data.
    Texture1DPtr CreateTexture1D(const Texture1DDesc& desc, const SubresourceData* initialData);
    // A null desc views the whole resource in its own format, as in D3D.
    ShaderResourceViewPtr CreateShaderResourceView(const ResourcePtr& resource, const ShaderResourceViewDesc* desc);
    RenderTargetViewPtr CreateRenderTargetView(const ResourcePtr& resource, const RenderTargetViewDesc* desc);
    DepthStencilViewPtr CreateDepthStencilView(const ResourcePtr& resource, const DepthStencilViewDesc* desc);
    BlendStatePtr CreateBlendState(const BlendDesc& desc);
    DepthStencilStatePtr CreateDepthStencilState(const DepthStencilDesc& desc);
    RasterizerStatePtr CreateRasterizerState(const RasterizerDesc& desc);
    SamplerStatePtr CreateSamplerState(const SamplerDesc& desc);
    // Null when the vertex shader reads an input the layout does not provide.
    InputLayoutPtr CreateInputLayout(const InputElementDesc* elements, uint32_t count, const ShaderBlob& vertexShader);
    // Null when GL rejects the GLSL; the GL info log is written to *errors when given.
    VertexShaderPtr CreateVertexShader(std::shared_ptr<const ShaderBlob> blob, std::string* errors = nullptr);
    PixelShaderPtr CreatePixelShader(std::shared_ptr<const ShaderBlob> blob, std::string* errors = nullptr);

    // The swap chain's back buffer is an offscreen render texture of the given size.
    SwapChainPtr CreateSwapChain(const SwapChainDesc& desc);

private:
    friend bool CreateDevice(SDL_Window*, DevicePtr*, ContextPtr*, std::string*);
    Device() = default;
    Texture2DPtr CreateTextureArray(Texture2DPtr texture, const GlFormat& format, const SubresourceData* initialData);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gpu
