#pragma once
// Device internals shared by the files that implement gpu::Device.
#include <memory>

#include "gpu/device.h"
#include "gpu/glcontext.h"

namespace gpu {

struct Device::Impl {
    std::unique_ptr<GlContext> gl;
    uint32_t generation = 0;
    int maxColorSamples = 1;
    int maxDepthSamples = 1;
    uint32_t maxTextureSize = 16384;    // GL_MAX_TEXTURE_SIZE
    uint32_t max3DTextureSize = 2048;   // GL_MAX_3D_TEXTURE_SIZE
    uint32_t maxArrayLayers = 256;      // GL_MAX_ARRAY_TEXTURE_LAYERS
};

}  // namespace gpu
