#include "graphics/imageheader.h"

#include <cstring>

namespace {

uint32_t Big16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t Big32(const uint8_t* p) { return Big16(p) << 16 | Big16(p + 2); }
uint32_t Little16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }
uint32_t Little24(const uint8_t* p) { return uint32_t(p[2]) << 16 | Little16(p); }
uint32_t Little32(const uint8_t* p) { return uint32_t(p[3]) << 24 | Little24(p); }

ImageHeader Png(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // Signature, then the IHDR chunk: length, type, width, height (big-endian).
    if (size < 24 || std::memcmp(b + 12, "IHDR", 4) != 0) return ImageHeader::Malformed;
    *w = Big32(b + 16);
    *h = Big32(b + 20);
    return ImageHeader::Sized;
}

bool IsStartOfFrame(uint8_t marker) {
    // SOF0..SOF15, except DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

ImageHeader Jpeg(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    size_t pos = 2;
    while (pos + 1 < size) {
        if (b[pos] != 0xFF) return ImageHeader::Malformed;
        uint8_t marker = b[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        pos += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no payload
        if (marker == 0xD9 || marker == 0xDA) return ImageHeader::Malformed;  // data before a frame
        if (pos + 2 > size) break;
        uint32_t length = Big16(b + pos);
        if (length < 2) return ImageHeader::Malformed;
        if (IsStartOfFrame(marker)) {
            // length, precision, height, width
            if (length < 7 || pos + 7 > size) break;
            *h = Big16(b + pos + 3);
            *w = Big16(b + pos + 5);
            return ImageHeader::Sized;
        }
        pos += length;
    }
    return ImageHeader::Malformed;
}

ImageHeader WebP(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    if (size < 30) return ImageHeader::Malformed;
    const uint8_t* chunk = b + 12;
    if (std::memcmp(chunk, "VP8 ", 4) == 0) {
        // Lossy: frame tag (3 bytes), start code 9D 01 2A, 14-bit width and height.
        if (b[23] != 0x9D || b[24] != 0x01 || b[25] != 0x2A) return ImageHeader::Malformed;
        *w = Little16(b + 26) & 0x3FFF;
        *h = Little16(b + 28) & 0x3FFF;
        return ImageHeader::Sized;
    }
    if (std::memcmp(chunk, "VP8L", 4) == 0) {
        // Lossless: signature 0x2F, then width - 1 and height - 1 in 14 bits each.
        if (b[20] != 0x2F) return ImageHeader::Malformed;
        uint32_t bits = Little32(b + 21);
        *w = (bits & 0x3FFF) + 1;
        *h = ((bits >> 14) & 0x3FFF) + 1;
        return ImageHeader::Sized;
    }
    if (std::memcmp(chunk, "VP8X", 4) == 0) {
        // Extended: flags (4 bytes), canvas width - 1 and height - 1 in 24 bits each.
        *w = Little24(b + 24) + 1;
        *h = Little24(b + 27) + 1;
        return ImageHeader::Sized;
    }
    return ImageHeader::Malformed;
}

}  // namespace

ImageHeader ReadImageHeader(const uint8_t* bytes, size_t size, uint32_t* width, uint32_t* height) {
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(bytes, kPngSignature, 8) == 0) return Png(bytes, size, width, height);
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return Jpeg(bytes, size, width, height);
    if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0)
        return WebP(bytes, size, width, height);
    return ImageHeader::Unrecognised;
}
