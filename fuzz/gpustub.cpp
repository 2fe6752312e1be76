// A gpu layer without GL, for fuzz targets: resources and states are created as plain
// objects carrying their descriptions, nothing is drawn. Lets the script loader and the
// effects' constructors run exactly as they do with a device, on machines without one.
#include <cstring>

#include "gpu/context.h"
#include "gpu/device.h"
#include "hlsl/shaderblob.h"
#include "gpu/swapchain.h"

namespace gpu {

struct Device::Impl {};
struct Context::Impl {
    Context::Stats stats;
};
struct SwapChain::Impl {
    Texture2DPtr buffer;
    bool fullscreen = false;
};

Buffer::~Buffer() = default;
Texture2D::~Texture2D() = default;
Texture3D::~Texture3D() = default;
ShaderResourceView::~ShaderResourceView() = default;
RenderTargetView::~RenderTargetView() = default;
DepthStencilView::~DepthStencilView() = default;
SamplerState::~SamplerState() = default;
InputLayout::~InputLayout() = default;
VertexShader::~VertexShader() = default;
PixelShader::~PixelShader() = default;

bool CreateDevice(SDL_Window*, DevicePtr* device, ContextPtr* context, std::string*) {
    device->reset(new Device());
    context->reset(new Context());
    (*context)->impl_ = std::make_unique<Context::Impl>();
    return true;
}

Device::~Device() = default;
AdapterInfo Device::GetAdapterInfo() const { return {"gpu stub", 0, 16384}; }
bool Device::CheckMultisampleQualityLevels(Format, uint32_t sampleCount, uint32_t* qualityLevels) const {
    *qualityLevels = 1;
    return sampleCount == 1 || sampleCount == 4;
}

BufferPtr Device::CreateBuffer(const BufferDesc& desc, const SubresourceData*) {
    BufferPtr buffer(new Buffer());
    buffer->desc_ = desc;
    return buffer;
}

Texture2DPtr Device::CreateTexture2D(const Texture2DDesc& desc, const SubresourceData*) {
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > 16384 || desc.Height > 16384) return nullptr;
    Texture2DPtr texture(new Texture2D());
    texture->desc_ = desc;
    return texture;
}

Texture3DPtr Device::CreateTexture3D(const Texture3DDesc& desc, const SubresourceData*) {
    if (desc.Width == 0 || desc.Height == 0 || desc.Depth == 0) return nullptr;
    Texture3DPtr texture(new Texture3D());
    texture->desc_ = desc;
    return texture;
}

ShaderResourceViewPtr Device::CreateShaderResourceView(const ResourcePtr& resource, const ShaderResourceViewDesc* desc) {
    if (!resource) return nullptr;
    ShaderResourceViewPtr view(new ShaderResourceView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    return view;
}

RenderTargetViewPtr Device::CreateRenderTargetView(const ResourcePtr& resource, const RenderTargetViewDesc* desc) {
    if (!resource) return nullptr;
    RenderTargetViewPtr view(new RenderTargetView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    return view;
}

DepthStencilViewPtr Device::CreateDepthStencilView(const ResourcePtr& resource, const DepthStencilViewDesc* desc) {
    if (!resource) return nullptr;
    DepthStencilViewPtr view(new DepthStencilView());
    view->resource_ = resource;
    if (desc) view->desc_ = *desc;
    return view;
}

BlendStatePtr Device::CreateBlendState(const BlendDesc& desc) {
    BlendStatePtr state(new BlendState());
    state->desc_ = desc;
    return state;
}

DepthStencilStatePtr Device::CreateDepthStencilState(const DepthStencilDesc& desc) {
    DepthStencilStatePtr state(new DepthStencilState());
    state->desc_ = desc;
    return state;
}

RasterizerStatePtr Device::CreateRasterizerState(const RasterizerDesc& desc) {
    RasterizerStatePtr state(new RasterizerState());
    state->desc_ = desc;
    return state;
}

SamplerStatePtr Device::CreateSamplerState(const SamplerDesc& desc) {
    SamplerStatePtr state(new SamplerState());
    state->desc_ = desc;
    return state;
}

InputLayoutPtr Device::CreateInputLayout(const InputElementDesc*, uint32_t, const ShaderBlob&) {
    return InputLayoutPtr(new InputLayout());
}

VertexShaderPtr Device::CreateVertexShader(std::shared_ptr<const ShaderBlob> blob, std::string*) {
    VertexShaderPtr shader(new VertexShader());
    shader->blob_ = std::move(blob);
    return shader;
}

PixelShaderPtr Device::CreatePixelShader(std::shared_ptr<const ShaderBlob> blob, std::string*) {
    PixelShaderPtr shader(new PixelShader());
    shader->blob_ = std::move(blob);
    return shader;
}

SwapChainPtr Device::CreateSwapChain(const SwapChainDesc& desc) {
    SwapChainPtr chain(new SwapChain());
    chain->impl_ = std::make_unique<SwapChain::Impl>();
    Texture2DDesc texture;
    texture.Width = desc.Width;
    texture.Height = desc.Height;
    texture.Format = desc.Format;
    texture.SampleDesc = desc.SampleDesc;
    chain->impl_->buffer = CreateTexture2D(texture, nullptr);
    return chain;
}

SwapChain::~SwapChain() = default;
Texture2DPtr SwapChain::GetBuffer() const { return impl_->buffer; }
bool SwapChain::ResizeBuffers(uint32_t width, uint32_t height) {
    Texture2DDesc desc = impl_->buffer ? impl_->buffer->GetDesc() : Texture2DDesc{};
    desc.Width = width;
    desc.Height = height;
    Texture2DPtr buffer(new Texture2D());
    buffer->desc_ = desc;
    impl_->buffer = buffer;
    return true;
}
void SwapChain::Present(uint32_t) {}
bool SwapChain::SetFullscreenState(bool fullscreen) {
    impl_->fullscreen = fullscreen;
    return true;
}
bool SwapChain::GetFullscreenState() const { return impl_->fullscreen; }

Context::~Context() = default;
void Context::IASetInputLayout(const InputLayoutPtr&) {}
void Context::IASetVertexBuffers(uint32_t, uint32_t, const BufferPtr*, const uint32_t*, const uint32_t*) {}
void Context::IASetIndexBuffer(const BufferPtr&, Format, uint32_t) {}
void Context::IASetPrimitiveTopology(PrimitiveTopology) {}
void Context::VSSetShader(const VertexShaderPtr&) {}
void Context::PSSetShader(const PixelShaderPtr&) {}
void Context::VSSetConstantBuffers(uint32_t, uint32_t, const BufferPtr*) {}
void Context::PSSetConstantBuffers(uint32_t, uint32_t, const BufferPtr*) {}
void Context::VSSetShaderResources(uint32_t, uint32_t, const ShaderResourceViewPtr*) {}
void Context::PSSetShaderResources(uint32_t, uint32_t, const ShaderResourceViewPtr*) {}
void Context::VSSetSamplers(uint32_t, uint32_t, const SamplerStatePtr*) {}
void Context::PSSetSamplers(uint32_t, uint32_t, const SamplerStatePtr*) {}
void Context::OMSetRenderTargets(uint32_t, const RenderTargetViewPtr*, const DepthStencilViewPtr&) {}
void Context::OMSetBlendState(const BlendStatePtr&, const float[4], uint32_t) {}
void Context::OMSetDepthStencilState(const DepthStencilStatePtr&, uint32_t) {}
void Context::RSSetState(const RasterizerStatePtr&) {}
void Context::RSSetViewports(uint32_t, const Viewport*) {}
void Context::ClearRenderTargetView(const RenderTargetViewPtr&, const float[4]) {}
void Context::ClearDepthStencilView(const DepthStencilViewPtr&, uint32_t, float, uint8_t) {}
bool Context::Map(const ResourcePtr&, uint32_t, MapType, MappedSubresource*) { return false; }
void Context::Unmap(const ResourcePtr&, uint32_t) {}
void Context::UpdateSubresource(const ResourcePtr&, uint32_t, const Box*, const void*, uint32_t, uint32_t) {}
void Context::CopyResource(const ResourcePtr&, const ResourcePtr&) {}
void Context::ResolveSubresource(const ResourcePtr&, uint32_t, const ResourcePtr&, uint32_t, Format) {}
void Context::GenerateMips(const ShaderResourceViewPtr&) {}
void Context::Draw(uint32_t, uint32_t) {}
void Context::DrawIndexed(uint32_t, uint32_t, int32_t) {}
void Context::DrawInstanced(uint32_t, uint32_t, uint32_t, uint32_t) {}
void Context::DrawIndexedInstanced(uint32_t, uint32_t, uint32_t, int32_t, uint32_t) {}
void Context::Finish() {}
const Context::Stats& Context::GetStats() const { return impl_->stats; }

void ClearDialogFrame(int, int, const float[4]) {}

}  // namespace gpu
