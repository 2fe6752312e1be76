#include "graphics/dynamictexture.h"

#include "graphics/devicestate.h"
#include "system/log.h"

namespace {
// Truncates a requested size to whole pixels; negative, NaN or absurd sizes give 0, which
// the device rejects like any other invalid size.
uint32_t PixelSize(float size) {
    if (!(size >= 1.0f) || size > 1.0e9f) return 0;
    return static_cast<uint32_t>(size);
}
}  // namespace

DynamicTexture::DynamicTexture(float width, float height, bool multisampled)
    : width_(width), height_(height), multisampled_(multisampled) {
    if (!gDevice) return;
    const bool msaa = multisampled && gMsaaEnabled;

    gpu::Texture2DDesc desc;
    desc.Width = PixelSize(width);
    desc.Height = PixelSize(height);
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = gpu::Format::R8G8B8A8_UNorm;
    // Sample count and view dimension follow the same test, so they can never disagree.
    desc.SampleDesc.Count = msaa ? uint32_t(gSampleCount) : 1u;
    desc.SampleDesc.Quality = msaa ? uint32_t(gSampleQuality) : 0u;
    desc.Usage = gpu::Usage::Default;
    desc.BindFlags = gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE;
    if (desc.Width && desc.Height) texture_ = gDevice->CreateTexture2D(desc, nullptr);
    if (!texture_) {
        // Views of a missing texture cannot exist either; one line says it all.
        LOG("Failed to create render texture");
        return;
    }

    gpu::RenderTargetViewDesc rtv;
    rtv.Format = gpu::Format::R8G8B8A8_UNorm;
    rtv.ViewDimension = msaa ? gpu::RtvDimension::Texture2DMS : gpu::RtvDimension::Texture2D;
    rtv.MipSlice = 0;
    target_ = gDevice->CreateRenderTargetView(texture_, &rtv);
    if (!target_) LOG("Failed to create render target view");

    gpu::ShaderResourceViewDesc srv;
    srv.Format = gpu::Format::R8G8B8A8_UNorm;
    srv.ViewDimension = msaa ? gpu::SrvDimension::Texture2DMS : gpu::SrvDimension::Texture2D;
    srv.MostDetailedMip = 0;
    srv.MipLevels = 1;
    view_ = gDevice->CreateShaderResourceView(texture_, &srv);
    if (!view_) LOG("Failed to create render target shader resource view");

    if (target_) {
        const float transparentBlack[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        gContext->ClearRenderTargetView(target_, transparentBlack);
    }
}

std::unique_ptr<DynamicTexture> CreateResolveTexture() {
    if (!gMsaaEnabled) return nullptr;
    return std::make_unique<DynamicTexture>(static_cast<float>(gScreenWidth), static_cast<float>(gScreenHeight), false);
}

bool ResolveInto(const DynamicTexture& source, DynamicTexture& destination) {
    const gpu::Texture2DPtr& from = source.GetTexture();
    const gpu::Texture2DPtr& to = destination.GetTexture();
    if (!from || !to) return false;
    if (from->GetDesc().SampleDesc.Count > 1)
        gContext->ResolveSubresource(to, 0, from, 0, gpu::Format::R8G8B8A8_UNorm);
    else
        gContext->CopyResource(to, from);
    return true;
}

const DynamicTexture& ResolveForReading(const DynamicTexture& source, DynamicTexture* resolveTexture) {
    if (!resolveTexture) return source;
    ResolveInto(source, *resolveTexture);
    return *resolveTexture;
}

DynamicTexturePair::DynamicTexturePair(float width, float height) : width_(width), height_(height) {
    for (auto& texture : textures_) texture = std::make_unique<DynamicTexture>(width, height, true);
}
