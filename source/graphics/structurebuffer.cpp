#include "graphics/structurebuffer.h"

#include "graphics/devicestate.h"
#include "system/log.h"

gpu::ShaderResourceViewPtr CreateStructuredBufferView(const gpu::BufferPtr& buffer, uint32_t capacity) {
    if (!buffer) return nullptr;
    gpu::ShaderResourceViewDesc desc;
    desc.Format = gpu::Format::Unknown;
    desc.ViewDimension = gpu::SrvDimension::Buffer;
    desc.FirstElement = 0;
    desc.NumElements = capacity;
    gpu::ShaderResourceViewPtr view = gDevice->CreateShaderResourceView(buffer, &desc);
    if (!view) LOG("Failed to create structured buffer view");
    return view;
}
