#include "graphics/imageheader.h"

#include <algorithm>
#include <cctype>
#include <climits>
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

int32_t LittleSigned32(const uint8_t* p) { return int32_t(Little32(p)); }

ImageHeader Bmp(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // File header (14 bytes), then the info header whose first field is its own size.
    if (size < 26) return ImageHeader::Malformed;
    const uint32_t infoSize = Little32(b + 14);
    if (infoSize == 12) {  // OS/2 core header: 16-bit width and height
        *w = Little16(b + 18);
        *h = Little16(b + 20);
        return ImageHeader::Sized;
    }
    if (infoSize < 40 || size < 34) return ImageHeader::Malformed;
    const int32_t width = LittleSigned32(b + 18);
    const int32_t height = LittleSigned32(b + 22);  // negative: rows run top-down
    if (width <= 0 || height == 0 || height == INT32_MIN) return ImageHeader::Malformed;
    *w = uint32_t(width);
    *h = height < 0 ? uint32_t(-height) : uint32_t(height);
    // Uncompressed rows must all be in the file; a few bytes cannot justify gigabytes.
    const uint32_t bitsPerPixel = Little16(b + 28);
    const uint32_t compression = Little32(b + 30);
    if (compression == 0 && bitsPerPixel > 0) {
        const uint64_t rowBytes = (uint64_t(*w) * bitsPerPixel + 31) / 32 * 4;
        if (rowBytes * *h > uint64_t(size)) return ImageHeader::Malformed;
    }
    return ImageHeader::Sized;
}

ImageHeader Gif(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // The first image's own size, which decoders allocate; the logical screen's when there
    // is no image yet.
    if (size < 13) return ImageHeader::Malformed;
    const uint32_t screenWidth = Little16(b + 6), screenHeight = Little16(b + 8);
    *w = screenWidth;
    *h = screenHeight;
    size_t pos = 13;
    if (b[10] & 0x80) pos += 3 * (size_t(2) << (b[10] & 7));  // global colour table
    // Decoders skip bytes that start neither an image nor an extension, up to the trailer.
    while (pos < size && b[pos] != ';') {
        if (b[pos] == ',') {  // image descriptor: left, top, width, height, flags
            if (pos + 10 > size) return ImageHeader::Malformed;
            *w = Little16(b + pos + 5);
            *h = Little16(b + pos + 7);
            // A frame reaching past the logical screen is malformed (found by fuzzing).
            if (Little16(b + pos + 1) + *w > screenWidth || Little16(b + pos + 3) + *h > screenHeight)
                return ImageHeader::Malformed;
            // After the local colour table, the LZW minimum code size: 2 to 8.
            size_t codeSize = pos + 10;
            if (b[pos + 9] & 0x80) codeSize += 3 * (size_t(2) << (b[pos + 9] & 7));
            if (codeSize < size && (b[codeSize] < 2 || b[codeSize] > 8)) return ImageHeader::Malformed;
            return ImageHeader::Sized;
        }
        if (b[pos] != '!') {
            ++pos;
            continue;
        }
        pos += 2;  // extension introducer and label, then sub-blocks up to an empty one
        while (pos < size && b[pos] != 0) pos += size_t(b[pos]) + 1;
        ++pos;
    }
    return ImageHeader::Sized;  // no image yet: the decoder reports that itself
}

ImageHeader Tiff(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // The first directory's ImageWidth (256) and ImageLength (257) entries.
    const bool little = b[0] == 'I';
    auto u16 = [&](size_t at) { return little ? Little16(b + at) : Big16(b + at); };
    auto u32 = [&](size_t at) { return little ? Little32(b + at) : Big32(b + at); };
    const uint32_t directory = u32(4);
    if (uint64_t(directory) + 2 > size) return ImageHeader::Malformed;
    const uint32_t entries = u16(directory);
    bool haveWidth = false, haveHeight = false;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t entry = size_t(directory) + 2 + size_t(i) * 12;
        if (entry + 12 > size) return ImageHeader::Malformed;
        const uint32_t tag = u16(entry);
        const uint32_t type = u16(entry + 2);
        const uint32_t value = type == 3 ? u16(entry + 8) : u32(entry + 8);  // SHORT or LONG
        if (tag == 256) *w = value, haveWidth = true;
        if (tag == 257) *h = value, haveHeight = true;
    }
    return haveWidth && haveHeight ? ImageHeader::Sized : ImageHeader::Malformed;
}

ImageHeader Qoi(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    if (size < 14) return ImageHeader::Malformed;
    *w = Big32(b + 4);
    *h = Big32(b + 8);
    return ImageHeader::Sized;
}

ImageHeader Xcf(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // GIMP's format: a 14-byte signature, then width and height.
    if (size < 22) return ImageHeader::Malformed;
    *w = Big32(b + 14);
    *h = Big32(b + 18);
    return ImageHeader::Sized;
}

ImageHeader Pcx(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // Window corners xmin, ymin, xmax, ymax; the size is inclusive.
    if (size < 128) return ImageHeader::Malformed;
    const uint32_t xmin = Little16(b + 4), ymin = Little16(b + 6), xmax = Little16(b + 8), ymax = Little16(b + 10);
    if (xmax < xmin || ymax < ymin) return ImageHeader::Malformed;
    *w = xmax - xmin + 1;
    *h = ymax - ymin + 1;
    return ImageHeader::Sized;
}

ImageHeader Pnm(const uint8_t* b, size_t size, uint32_t* w, uint32_t* h) {
    // "P1".."P6", then width and height in ASCII, with whitespace and # comments between
    // (decoders read the width even without whitespace before it).
    size_t pos = 2;
    uint32_t* fields[2] = {w, h};
    for (uint32_t* field : fields) {
        while (pos < size && (std::isspace(b[pos]) || b[pos] == '#')) {
            if (b[pos] == '#')
                while (pos < size && b[pos] != '\n') ++pos;
            else
                ++pos;
        }
        if (pos >= size || !std::isdigit(b[pos])) return ImageHeader::Malformed;
        uint64_t value = 0;
        while (pos < size && std::isdigit(b[pos])) {
            value = value * 10 + (b[pos++] - '0');
            if (value > UINT32_MAX) return ImageHeader::Malformed;
        }
        *field = uint32_t(value);
    }
    return ImageHeader::Sized;
}

}  // namespace

ImageHeader ReadImageHeader(const uint8_t* bytes, size_t size, uint32_t* width, uint32_t* height) {
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(bytes, kPngSignature, 8) == 0) return Png(bytes, size, width, height);
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return Jpeg(bytes, size, width, height);
    if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0)
        return WebP(bytes, size, width, height);
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return Bmp(bytes, size, width, height);
    if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
        return Gif(bytes, size, width, height);
    if (size >= 8 && (std::memcmp(bytes, "II*\0", 4) == 0 || std::memcmp(bytes, "MM\0*", 4) == 0))
        return Tiff(bytes, size, width, height);
    if (size >= 4 && std::memcmp(bytes, "qoif", 4) == 0) return Qoi(bytes, size, width, height);
    if (size >= 9 && std::memcmp(bytes, "gimp xcf ", 9) == 0) return Xcf(bytes, size, width, height);
    if (size >= 3 && bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] == 1) return Pcx(bytes, size, width, height);
    if (size >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6')
        return Pnm(bytes, size, width, height);
    return ImageHeader::Unrecognised;
}
