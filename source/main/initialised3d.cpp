// Device set-up: the device, swap chain and every shared render state of the show.
#include "main/initialised3d.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "graphics/devicestate.h"
#include "system/globals.h"
#include "system/log.h"

namespace {

struct QuadVertex {
    float position[3];
    float texcoord[2];
    float normal[3];
};

// Refresh rate of the display mode matching the render size: the last matching mode wins;
// without one, the desktop's rate; without SDL video, 60 Hz.
void FindRefreshRate() {
    gRefreshRateNumerator = 60;
    gRefreshRateDenominator = 1;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    int display = gWindow ? SDL_GetWindowDisplayIndex(gWindow) : 0;
    if (display < 0) display = 0;
    int found = 0;
    int modes = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < modes; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
        if (mode.w == gScreenWidth && mode.h == gScreenHeight && mode.refresh_rate > 0) found = mode.refresh_rate;
    }
    if (found == 0) {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(display, &desktop) == 0 && desktop.refresh_rate > 0) found = desktop.refresh_rate;
    }
    if (found > 0) gRefreshRateNumerator = found;
}

gpu::DepthStencilDesc DepthDesc(bool depthEnable, gpu::DepthWriteMask writeMask) {
    gpu::DepthStencilDesc d;
    d.DepthEnable = depthEnable;
    d.DepthWriteMask = writeMask;
    d.DepthFunc = gpu::ComparisonFunc::Less;
    d.StencilEnable = true;
    d.StencilReadMask = 0xFF;
    d.StencilWriteMask = 0xFF;
    d.FrontFace = {gpu::StencilOp::Keep, gpu::StencilOp::Incr, gpu::StencilOp::Keep, gpu::ComparisonFunc::Always};
    d.BackFace = {gpu::StencilOp::Keep, gpu::StencilOp::Decr, gpu::StencilOp::Keep, gpu::ComparisonFunc::Always};
    return d;
}

gpu::BlendStatePtr MakeBlend(bool enable, gpu::Blend src, gpu::Blend dest) {
    gpu::BlendDesc d;
    for (gpu::RenderTargetBlendDesc& rt : d.RenderTarget) rt = {false, gpu::Blend::One, gpu::Blend::Zero, gpu::BlendOp::Add,
                                                                 gpu::Blend::One, gpu::Blend::Zero, gpu::BlendOp::Add, 0};
    gpu::RenderTargetBlendDesc& rt = d.RenderTarget[0];
    rt.BlendEnable = enable;
    rt.SrcBlend = src;
    rt.DestBlend = dest;
    rt.BlendOp = gpu::BlendOp::Add;
    rt.SrcBlendAlpha = gpu::Blend::One;
    rt.DestBlendAlpha = gpu::Blend::Zero;
    rt.BlendOpAlpha = gpu::BlendOp::Add;
    // Red, green and blue only: the alpha channel of a target is never written.
    rt.RenderTargetWriteMask = gpu::COLOR_WRITE_ENABLE_RED | gpu::COLOR_WRITE_ENABLE_GREEN | gpu::COLOR_WRITE_ENABLE_BLUE;
    return gDevice->CreateBlendState(d);
}

gpu::SamplerStatePtr MakeSampler(gpu::Filter filter, gpu::TextureAddressMode address) {
    gpu::SamplerDesc d;
    d.Filter = filter;
    d.AddressU = d.AddressV = d.AddressW = address;
    d.MipLODBias = 0.0f;
    d.MaxAnisotropy = 0;
    d.ComparisonFunc = gpu::ComparisonFunc::Never;
    d.MinLOD = 0.0f;
    d.MaxLOD = 3.402823466e+38f;
    return gDevice->CreateSamplerState(d);
}

}  // namespace

bool InitialiseD3D(bool antiAlias) {
    FindRefreshRate();

    // GL needs its context before it can name the card, so the context comes first; the
    // swap chain then follows the anti-aliasing probe as the log lines say.
    std::string error;
    if (!gpu::CreateDevice(gWindow, &gDevice, &gContext, &error)) {
        LOG("Failed to create GL context: %s", error.c_str());
        return false;
    }
    gpu::AdapterInfo adapter = gDevice->GetAdapterInfo();
    gVideoMemoryMB = adapter.dedicatedVideoMemoryMB;
    std::snprintf(gVideoCardDescription, sizeof(gVideoCardDescription), "%s", adapter.description.c_str());
    LOG("Video card is '%s' with %dMB", gVideoCardDescription, static_cast<int>(gVideoMemoryMB));

    // Anti-aliasing: eight samples where the card has them, else four, else two.
    gSampleQuality = 0;
    gSampleCount = 1;
    gMsaaEnabled = false;
    if (!antiAlias) {
        LOG("AA turned off by the user");
    } else {
        for (uint32_t samples : {8u, 4u, 2u}) {
            uint32_t levels = 0;
            if (!gDevice->CheckMultisampleQualityLevels(gpu::Format::R8G8B8A8_UNorm, samples, &levels) || levels == 0) continue;
            LOG("AA has %d quality levels at %dxMSAA", static_cast<int>(levels), static_cast<int>(samples));
            gSampleQuality = static_cast<int>(levels) - 1;
            gSampleCount = static_cast<int>(samples);
            gMsaaEnabled = true;
            break;
        }
        if (!gMsaaEnabled) LOG("AA not supported on this card!!??");
    }

    LOG("Calling D3D11CreateDeviceAndSwapChain..");
    gpu::SwapChainDesc chainDesc;
    chainDesc.Width = static_cast<uint32_t>(gScreenWidth);
    chainDesc.Height = static_cast<uint32_t>(gScreenHeight);
    chainDesc.Format = gpu::Format::R8G8B8A8_UNorm;
    chainDesc.SampleDesc = {static_cast<uint32_t>(gSampleCount), static_cast<uint32_t>(gSampleQuality)};
    gSwapChain = gDevice->CreateSwapChain(chainDesc);
    if (!gSwapChain) {
        LOG("Failed to D3D11CreateDeviceAndSwapChain");
        return false;
    }
    LOG("..done");

    gpu::Texture2DPtr backBuffer = gSwapChain->GetBuffer();
    if (!backBuffer) {
        LOG("Failed to GetBuffer");
        return false;
    }
    gBackBufferView = gDevice->CreateRenderTargetView(backBuffer, nullptr);
    if (!gBackBufferView) {
        LOG("Failed to CreateRenderTargetView");
        return false;
    }

    gpu::Texture2DDesc depthDesc;
    depthDesc.Width = static_cast<uint32_t>(gScreenWidth);
    depthDesc.Height = static_cast<uint32_t>(gScreenHeight);
    depthDesc.MipLevels = 1;
    depthDesc.ArraySize = 1;
    depthDesc.Format = gpu::Format::D24_UNorm_S8_UInt;
    depthDesc.SampleDesc = chainDesc.SampleDesc;
    depthDesc.Usage = gpu::Usage::Default;
    depthDesc.BindFlags = gpu::BIND_DEPTH_STENCIL;
    gDepthStencilBuffer = gDevice->CreateTexture2D(depthDesc, nullptr);
    if (!gDepthStencilBuffer) {
        LOG("Failed to CreateTexture2D");
        return false;
    }

    gDepthOff = gDevice->CreateDepthStencilState(DepthDesc(false, gpu::DepthWriteMask::All));
    if (!gDepthOff) {
        LOG("Failed to CreateDepthStencilState 1");
        return false;
    }
    gDepthReadWrite = gDevice->CreateDepthStencilState(DepthDesc(true, gpu::DepthWriteMask::All));
    if (!gDepthReadWrite) {
        LOG("Failed to CreateDepthStencilState 2");
        return false;
    }
    gDepthReadOnly = gDevice->CreateDepthStencilState(DepthDesc(true, gpu::DepthWriteMask::Zero));
    if (!gDepthReadOnly) {
        LOG("Failed to CreateDepthStencilState 3");
        return false;
    }
    gContext->OMSetDepthStencilState(gDepthOff, 1);

    gpu::DepthStencilViewDesc dsvDesc;
    dsvDesc.Format = gpu::Format::D24_UNorm_S8_UInt;
    dsvDesc.ViewDimension = gMsaaEnabled ? gpu::DsvDimension::Texture2DMS : gpu::DsvDimension::Texture2D;
    dsvDesc.MipSlice = 0;
    gDepthStencilView = gDevice->CreateDepthStencilView(gDepthStencilBuffer, &dsvDesc);
    if (!gDepthStencilView) {
        LOG("Failed to CreateDepthStencilView");
        return false;
    }
    gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);

    gpu::RasterizerDesc rasterizerDesc;
    rasterizerDesc.FillMode = gpu::FillMode::Solid;
    rasterizerDesc.CullMode = gpu::CullMode::Back;
    rasterizerDesc.FrontCounterClockwise = false;
    rasterizerDesc.DepthClipEnable = true;
    rasterizerDesc.ScissorEnable = false;
    rasterizerDesc.MultisampleEnable = true;
    rasterizerDesc.AntialiasedLineEnable = false;
    gRasterizerState = gDevice->CreateRasterizerState(rasterizerDesc);
    if (!gRasterizerState) {
        LOG("Failed to CreateRasterizerState");
        return false;
    }
    gContext->RSSetState(gRasterizerState);

    gpu::Viewport viewport;
    viewport.Width = static_cast<float>(gScreenWidth);
    viewport.Height = static_cast<float>(gScreenHeight);
    viewport.MinDepth = 0.0f;
    viewport.MaxDepth = 1.0f;
    gContext->RSSetViewports(1, &viewport);

    const QuadVertex quad[4] = {
        {{-0.5f, -0.5f, 0.0f}, {0.0f, 1.0f}, {1.0f, 0.0f, 0.0f}},
        {{-0.5f, 0.5f, 0.0f}, {0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}},
        {{0.5f, -0.5f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f, 0.0f}},
        {{0.5f, 0.5f, 0.0f}, {1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}},
    };
    static_assert(sizeof(quad) == 128, "the quad is four 32-byte vertices");
    gpu::BufferDesc quadDesc;
    quadDesc.ByteWidth = sizeof(quad);
    quadDesc.Usage = gpu::Usage::Immutable;
    quadDesc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    gpu::SubresourceData quadData;
    quadData.pSysMem = quad;
    gQuadVertexBuffer = gDevice->CreateBuffer(quadDesc, &quadData);
    if (!gQuadVertexBuffer) {
        LOG("Failed to set up generic vertices)");
        return false;
    }

    gBlendOpaque = MakeBlend(false, gpu::Blend::SrcAlpha, gpu::Blend::InvSrcAlpha);
    gBlendAlpha = MakeBlend(true, gpu::Blend::SrcAlpha, gpu::Blend::InvSrcAlpha);
    gBlendAdditive = MakeBlend(true, gpu::Blend::One, gpu::Blend::One);
    gBlendMultiply = MakeBlend(true, gpu::Blend::Zero, gpu::Blend::SrcColor);
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);

    gpu::SamplerStatePtr samplers[4] = {
        MakeSampler(gpu::Filter::MinMagMipLinear, gpu::TextureAddressMode::Clamp),
        MakeSampler(gpu::Filter::MinMagMipPoint, gpu::TextureAddressMode::Clamp),
        MakeSampler(gpu::Filter::MinMagMipLinear, gpu::TextureAddressMode::Wrap),
        MakeSampler(gpu::Filter::MinMagMipPoint, gpu::TextureAddressMode::Wrap),
    };
    gContext->PSSetSamplers(0, 4, samplers);
    gContext->VSSetSamplers(0, 4, samplers);
    return true;
}
