#pragma once
// Reads the first image of a GIF file into RGBA8 rows at the image's own size. The colour
// its graphic control block names transparent gets alpha 0; a stream that ends early leaves
// the pixels it never reached at colour 0. Every code and length is checked against the
// tables and the file, so corrupt files are refused rather than trusted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/imagedecoder.h"

// False for a file holding no image or a corrupt one; `reason` then says why.
bool DecodeGif(const uint8_t* bytes, size_t size, DecodedImage* image, std::string* reason);
