#pragma once
// Reads the size an image file declares in its header, without decoding it, so that absurd
// dimensions are refused before a decoder allocates memory for them. An uncompressed BMP
// whose rows the file cannot hold is malformed.
#include <cstddef>
#include <cstdint>

enum class ImageHeader {
    Unrecognised,  // none of PNG, JPEG, WebP, BMP, GIF, TIFF, QOI, XCF, PCX, PNM: leave it to the decoder
    Malformed,     // the header is truncated or inconsistent
    Sized,         // width and height were read
};

ImageHeader ReadImageHeader(const uint8_t* bytes, size_t size, uint32_t* width, uint32_t* height);
