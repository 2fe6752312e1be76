#pragma once
// Read access to the GL names inside resources and views, for the gpu layer's helpers that
// are not the device or the context. Internal to the gpu layer.
#include <cstdint>

#include "gpu/resources.h"

namespace gpu {

struct GlAccess {
    struct TextureName {
        uint32_t name = 0;    // 0: not a GL texture (null, buffer, staging)
        uint32_t target = 0;  // GL_TEXTURE_2D, GL_TEXTURE_2D_MULTISAMPLE or GL_TEXTURE_3D
    };
    static TextureName Texture(const Resource* resource);
    static uint32_t Mip(const RenderTargetView& view) { return view.desc_.MipSlice; }
    static uint32_t Mip(const DepthStencilView& view) { return view.desc_.MipSlice; }
    static uint32_t Samples(const Texture2D& texture) { return texture.desc_.SampleDesc.Count; }
};

}  // namespace gpu
