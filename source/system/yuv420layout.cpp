#include "system/yuv420layout.h"

Yuv420Layout MakeYuv420Layout(int width, int height, bool bt709) {
    Yuv420Layout layout;
    if (width <= 0 || height <= 0 || width % 2 || height % 2 || width > 65536 || height > 65536) return layout;
    layout.width = width;
    layout.height = height;
    layout.bt709 = bt709;
    // A multiple of 8 keeps every chroma row a whole number of texels.
    layout.lumaStride = (width + 7) / 8 * 8;
    layout.chromaStride = layout.lumaStride / 2;
    layout.chromaTextureRows = (height / 2 + 1) / 2;
    const size_t textureRow = static_cast<size_t>(layout.lumaStride);
    layout.uOffset = textureRow * static_cast<size_t>(height);
    layout.vOffset = layout.uOffset + textureRow * static_cast<size_t>(layout.chromaTextureRows);
    layout.bytes = layout.vOffset + textureRow * static_cast<size_t>(layout.chromaTextureRows);
    return layout;
}

YuvWeights MakeYuvWeights(bool bt709) {
    const float kr = bt709 ? 0.2126f : 0.299f, kb = bt709 ? 0.0722f : 0.114f, kg = 1.0f - kr - kb;
    // Limited range: Y spans 16..235 and U, V 16..240 around 128, of 255.
    const float ys = 219.0f / 255.0f, cs = 224.0f / 255.0f;
    const float us = cs / (2.0f * (1.0f - kb)), vs = cs / (2.0f * (1.0f - kr));
    return YuvWeights{
        {kr * ys, kg * ys, kb * ys, 16.0f / 255.0f},
        {-kr * us, -kg * us, (1.0f - kb) * us, 128.0f / 255.0f},
        {(1.0f - kr) * vs, -kg * vs, -kb * vs, 128.0f / 255.0f},
    };
}
