#include "graphics/imagedecoder.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "graphics/gifdecoder.h"
#include "graphics/imageheader.h"
#include "graphics/pngdiagnosis.h"

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// The most pixels one byte of the format can hold, or 0 where there is no bound (JPEG,
// WebP, and formats whose tiles or skips may leave pixels unwritten: TIFF, RLE BMP).
// Deflate (PNG) expands at most 1032-fold, 8256 one-bit pixels; a GIF frame's 12-bit LZW
// code stands for at most 4096 pixels; a QOI run byte holds 62 pixels; a PCX run pair 63
// bytes of 8 one-bit pixels; raw PNM 8 one-bit pixels a byte.
uint64_t MaxPixelsPerByte(const uint8_t* bytes, uint32_t size) {
    if (size < 4) return 0;
    if (std::memcmp(bytes, "\x89PNG", 4) == 0 || std::memcmp(bytes, "GIF", 3) == 0) return 8400;
    if (std::memcmp(bytes, "qoif", 4) == 0) return 62;
    if (bytes[0] == 0x0A) return 252;
    if (bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6') return 8;
    return 0;
}

// Refuses a header that is broken or declares an empty or absurd size, saying why.
bool DeclaredSizeAcceptable(const uint8_t* bytes, uint32_t size, std::string* reason) {
    uint32_t width = 0, height = 0;
    switch (ReadImageHeader(bytes, size, &width, &height)) {
        case ImageHeader::Unrecognised: return true;
        case ImageHeader::Malformed:
            *reason = "the image header is truncated or malformed";
            return false;
        case ImageHeader::Sized: break;
    }
    const std::string declared = "declares " + std::to_string(width) + " × " + std::to_string(height) + " pixels";
    if (width == 0 || height == 0) {
        *reason = declared;
        return false;
    }
    if (uint64_t(width) * height > kMaxDecodedPixels) {
        *reason = declared + ", over the limit of " + std::to_string(kMaxDecodedPixels);
        return false;
    }
    // Decoders allocate the declared size before reading: a tiny file must not claim more
    // pixels than its format can pack into it.
    const uint64_t perByte = MaxPixelsPerByte(bytes, size);
    constexpr uint64_t kSlack = 1 << 16;
    if (perByte > 0 && uint64_t(width) * height > uint64_t(size) * perByte + kSlack) {
        *reason = declared + ", more than a file of " + std::to_string(size) + " bytes can hold";
        return false;
    }
    return true;
}

bool IsPng(const uint8_t* bytes, uint32_t size) { return size >= 4 && std::memcmp(bytes, "\x89PNG", 4) == 0; }

// SDL_image's PNG reader ignores short reads: a chunk declaring more bytes than the file
// holds, or a chunk header cut off, has libpng read stale memory (and checksum up to 2 GB
// of it). Files whose chunks do not reach IEND whole are only diagnosed.
bool PngChunksFit(const uint8_t* bytes, uint32_t size) {
    uint64_t pos = 8;
    while (pos + 8 <= size) {
        const uint8_t* chunk = bytes + pos;
        const uint32_t length = uint32_t(chunk[0]) << 24 | uint32_t(chunk[1]) << 16 | uint32_t(chunk[2]) << 8 | chunk[3];
        pos += 12 + uint64_t(length);  // length, type, data, CRC
        if (pos > size) return false;
        if (std::memcmp(chunk + 4, "IEND", 4) == 0) return true;
    }
    return false;
}

// SDL_image's own text, or for a PNG libpng's more telling one.
std::string DecoderReason(const uint8_t* bytes, uint32_t size) {
    if (IsPng(bytes, size)) {
        std::string reason = DiagnosePng(bytes, size);
        if (!reason.empty()) return reason;
    }
    const char* error = SDL_GetError();
    return error && *error ? error : "the decoder gave no reason";
}

// Scales an RGBA surface down so that neither side exceeds `maxSide`.
SurfacePtr FitToTextureLimit(SurfacePtr surface, uint32_t maxSide) {
    if (uint32_t(surface->w) <= maxSide && uint32_t(surface->h) <= maxSide) return surface;
    double scale = std::min(double(maxSide) / surface->w, double(maxSide) / surface->h);
    int width = std::clamp(int(std::lround(surface->w * scale)), 1, int(maxSide));
    int height = std::clamp(int(std::lround(surface->h * scale)), 1, int(maxSide));
    SurfacePtr scaled(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ABGR8888));
    if (!scaled) return nullptr;
    SDL_SetSurfaceBlendMode(surface.get(), SDL_BLENDMODE_NONE);  // copy alpha, do not blend it
    if (SDL_BlitScaled(surface.get(), nullptr, scaled.get(), nullptr) != 0) return nullptr;
    return scaled;
}

// Scales an RGBA surface to the texture limit and copies its rows into `image`.
bool CopyOut(SurfacePtr rgba, uint32_t maxSide, DecodedImage* image, std::string* reason) {
    if (rgba) rgba = FitToTextureLimit(std::move(rgba), maxSide);
    if (!rgba) {
        *reason = std::string("converting the pixels failed: ") + SDL_GetError();
        return false;
    }

    image->width = uint32_t(rgba->w);
    image->height = uint32_t(rgba->h);
    const size_t rowBytes = size_t(image->width) * 4;
    image->rgba.resize(rowBytes * image->height);
    if (SDL_LockSurface(rgba.get()) != 0) {
        *reason = std::string("reading the pixels failed: ") + SDL_GetError();
        return false;
    }
    const auto* source = static_cast<const uint8_t*>(rgba->pixels);
    for (uint32_t y = 0; y < image->height; ++y)
        std::memcpy(image->rgba.data() + y * rowBytes, source + size_t(y) * rgba->pitch, rowBytes);
    SDL_UnlockSurface(rgba.get());
    return true;
}

}  // namespace

bool DecodeImage(const uint8_t* bytes, uint32_t size, DecodedImage* image, std::string* reason, uint32_t maxSide) {
    std::string ignored;
    if (!reason) reason = &ignored;
    if (!bytes || size == 0) {
        *reason = "the file is empty";
        return false;
    }
    // GIMP's working format: its reader trusts the sizes of the layers inside, allocating and
    // writing whatever they declare (found by fuzzing), and shows are made of exported images.
    if (size >= 9 && std::memcmp(bytes, "gimp xcf ", 9) == 0) {
        *reason = "GIMP's XCF files are not read: export the image as PNG";
        return false;
    }
    if (!DeclaredSizeAcceptable(bytes, size, reason)) return false;

    if (maxSide == 0) maxSide = kMaxTextureSize;

    // GIFs are read here: SDL_image's reader trusts its LZW tables (found by fuzzing: a
    // corrupt stream overran its string stack and freed memory it never allocated).
    if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0)) {
        if (!DecodeGif(bytes, size, image, reason)) return false;
        if (image->width <= maxSide && image->height <= maxSide) return true;
        const int pitch = int(image->width * 4);
        SurfacePtr wrapped(SDL_CreateRGBSurfaceWithFormatFrom(image->rgba.data(), int(image->width),
                                                              int(image->height), 32, pitch, SDL_PIXELFORMAT_ABGR8888));
        return CopyOut(std::move(wrapped), maxSide, image, reason);
    }

    if (IsPng(bytes, size) && !PngChunksFit(bytes, size)) {
        *reason = DecoderReason(bytes, size);
        return false;
    }

    SDL_ClearError();
    SDL_RWops* stream = SDL_RWFromConstMem(bytes, int(std::min<uint32_t>(size, INT32_MAX)));
    SurfacePtr decoded(stream ? IMG_Load_RW(stream, 1) : nullptr);
    if (!decoded || decoded->w <= 0 || decoded->h <= 0) {
        *reason = DecoderReason(bytes, size);
        return false;
    }

    // ABGR8888 is the packed value whose bytes in memory read R, G, B, A.
    SurfacePtr rgba(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_ABGR8888, 0));
    decoded.reset();
    return CopyOut(std::move(rgba), maxSide, image, reason);
}
