#pragma once
// Builders of broken image files from good ones: truncated, corrupted and with absurd sizes.
#include <cstdint>
#include <string>
#include <vector>

namespace imagebytes {

inline uint32_t Crc32(const std::string& bytes, size_t begin, size_t end) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = begin; i < end; ++i) {
        crc ^= uint8_t(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void PutBig32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (24 - 8 * i));
}

// A PNG whose IHDR declares width x height, with a correct CRC so only the size is wrong.
inline std::string PngWithSize(std::string png, uint32_t width, uint32_t height) {
    PutBig32(png, 16, width);
    PutBig32(png, 20, height);
    PutBig32(png, 29, Crc32(png, 12, 29));
    return png;
}

// A PNG with one byte of its first IDAT chunk's data flipped (its CRC no longer matches).
inline std::string PngWithCorruptData(std::string png) {
    size_t idat = png.find("IDAT");
    if (idat != std::string::npos && idat + 6 < png.size()) png[idat + 6] = char(png[idat + 6] ^ 0x5A);
    return png;
}

// A JPEG whose frame header declares width x height.
inline std::string JpegWithSize(std::string jpeg, uint32_t width, uint32_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        uint8_t marker = uint8_t(jpeg[i + 1]);
        if (uint8_t(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width);
            break;
        }
    }
    return jpeg;
}

inline void PutLittle(std::string& bytes, size_t at, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = char(value >> (8 * i));
}

// A 24-bit uncompressed BMP declaring width x height (negative: top-down) with `dataBytes`
// bytes of pixel data, all grey.
inline std::string Bmp(uint32_t width, int32_t height, size_t dataBytes) {
    std::string bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M';
    PutLittle(bmp, 2, uint32_t(54 + dataBytes), 4);
    PutLittle(bmp, 10, 54, 4);
    PutLittle(bmp, 14, 40, 4);
    PutLittle(bmp, 18, width, 4);
    PutLittle(bmp, 22, uint32_t(height), 4);
    PutLittle(bmp, 26, 1, 2);
    PutLittle(bmp, 28, 24, 2);
    return bmp + std::string(dataBytes, '\x80');
}

// A GIF header with its logical screen size and one image descriptor of its own size.
inline std::string Gif(uint32_t screenWidth, uint32_t screenHeight, uint32_t width, uint32_t height) {
    std::string gif = "GIF89a";
    gif += std::string(7, '\0');
    PutLittle(gif, 6, screenWidth, 2);
    PutLittle(gif, 8, screenHeight, 2);
    gif += std::string("!\xF9\x04\0\0\0\0\0", 8);  // graphic control extension
    std::string descriptor(10, '\0');
    descriptor[0] = ',';
    PutLittle(descriptor, 5, width, 2);
    PutLittle(descriptor, 7, height, 2);
    return gif + descriptor + std::string("\x02\x02\x44\x01\0;", 6);
}

// A GIF of one width x height image whose colour i is (8i, 255 - 8i, 5i), 32 colours, with
// its LZW stream given as 6-bit codes (clear is 32, end 33). `transparent` < 0: none.
inline std::string GifWithCodes(uint32_t width, uint32_t height, const std::vector<int>& codes, bool interlaced,
                                int transparent) {
    std::string gif = "GIF89a" + std::string(7, '\0');
    PutLittle(gif, 6, width, 2);
    PutLittle(gif, 8, height, 2);
    gif[10] = char(0x84);  // a global table of 32 colours
    for (int i = 0; i < 32; ++i) gif += {char(8 * i), char(255 - 8 * i), char(5 * i)};
    if (transparent >= 0) gif += std::string("!\xF9\x04\x01\0\0", 6) + char(transparent) + '\0';
    std::string descriptor(10, '\0');
    descriptor[0] = ',';
    PutLittle(descriptor, 5, width, 2);
    PutLittle(descriptor, 7, height, 2);
    descriptor[9] = char(interlaced ? 0x40 : 0);
    gif += descriptor + '\5';
    std::string data;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= uint32_t(code) << count;
        for (count += 6; count >= 8; count -= 8, bits >>= 8) data += char(bits);
    }
    if (count > 0) data += char(bits);
    for (size_t at = 0; at < data.size(); at += 255) {
        const std::string block = data.substr(at, 255);
        gif += char(block.size()) + block;
    }
    return gif + std::string("\0;", 2);
}

// Codes that spell out `indices` one literal at a time, clearing the table before it would
// outgrow six bits, then the end code.
inline std::vector<int> LiteralCodes(const std::vector<int>& indices) {
    std::vector<int> codes;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 30 == 0) codes.push_back(32);
        codes.push_back(indices[i]);
    }
    codes.push_back(33);
    return codes;
}

}  // namespace imagebytes
