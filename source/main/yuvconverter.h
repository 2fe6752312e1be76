#pragma once
// Converts a rendered picture to limited-range YUV 4:2:0 on the GPU, packed into an RGBA8
// texture as Yuv420Layout describes, so a recording reads back 1.5 bytes per pixel and the
// encoder's thread skips the colour conversion.
#include "gpu/resources.h"
#include "system/yuv420layout.h"

class YuvConverter {
public:
    // Compiles the conversion and makes the target for `layout`. False (logged) on failure.
    bool Init(const Yuv420Layout& layout);
    bool IsReady() const { return target_ != nullptr; }
    const Yuv420Layout& Layout() const { return layout_; }

    // Draws `picture` (single-sampled, RGBA) converted into the packed target and returns
    // the target; its size is the layout's texture size. Pixels past the picture's edge
    // repeat its last column and row. Leaves the show's shared blend and rasteriser states
    // bound; the next frame sets its own targets, shaders and views.
    gpu::Texture2DPtr Convert(const gpu::Texture2DPtr& picture);

private:
    bool UsePicture(const gpu::Texture2DPtr& picture, const int firstRows[3]);

    Yuv420Layout layout_;
    gpu::VertexShaderPtr vertexShader_;
    gpu::PixelShaderPtr lumaShader_;
    gpu::PixelShaderPtr chromaShader_;
    gpu::InputLayoutPtr inputLayout_;
    gpu::BufferPtr constants_[3];  // one per plane: Y, U, V
    gpu::SamplerStatePtr sampler_;  // bilinear, clamping
    gpu::BlendStatePtr writeAll_;  // all four channels carry bytes of the planes
    gpu::Texture2DPtr target_;
    gpu::RenderTargetViewPtr targetView_;
    gpu::Texture2DPtr picture_;  // the picture whose view is cached
    gpu::ShaderResourceViewPtr pictureView_;
};
