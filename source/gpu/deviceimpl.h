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
};

}  // namespace gpu
