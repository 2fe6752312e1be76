#pragma once
// PNG encoding of screenshots with libpng, into memory.
#include <cstdint>
#include <vector>

// Encodes width x height RGBA pixels (rows top to bottom, rowPitch bytes apart) as an RGB
// PNG: the alpha channel is dropped, since the back buffer's alpha is never meaningful.
// The file carries a "Software" text chunk "Lumivane" and an sRGB chunk (perceptual).
// *out is replaced by the encoded file, growing as needed. Logs and returns false on failure.
bool EncodePng(const uint8_t* rgba, int width, int height, int rowPitch, std::vector<uint8_t>* out);
