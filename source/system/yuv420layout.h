#pragma once
// The planar 4:2:0 frame the GPU converts a picture into before read-back: the Y plane, then
// the U and V planes, packed four bytes to an RGBA8 texel so that a plain RGBA8 target holds
// it and the read-back moves 1.5 bytes per pixel instead of 4.
#include <cstddef>

struct Yuv420Layout {
    int width = 0, height = 0;  // coded picture size, both even
    int lumaStride = 0;         // bytes per Y row: the width rounded up to 8
    int chromaStride = 0;       // bytes per U or V row: half the Y stride
    int chromaTextureRows = 0;  // texture rows per chroma plane (two chroma rows each)
    size_t uOffset = 0, vOffset = 0, bytes = 0;
    bool bt709 = false;         // BT.709 matrix; BT.601 otherwise. Limited range either way.

    int TextureWidth() const { return lumaStride / 4; }
    int TextureHeight() const { return height + 2 * chromaTextureRows; }
};

// The layout for a coded picture of width x height (both even, positive). An empty layout
// (width 0) for sizes that are not.
Yuv420Layout MakeYuv420Layout(int width, int height, bool bt709);

// Weights that turn full-range RGB (0..1) into limited-range Y, U or V (0..1):
// value = r * w[0] + g * w[1] + b * w[2] + w[3].
struct YuvWeights {
    float y[4], u[4], v[4];
};
YuvWeights MakeYuvWeights(bool bt709);
