#include "graphics/imagedecoder.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "graphics/imageheader.h"

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

bool DeclaredSizeAcceptable(const uint8_t* bytes, uint32_t size) {
    uint32_t width = 0, height = 0;
    switch (ReadImageHeader(bytes, size, &width, &height)) {
        case ImageHeader::Unrecognised: return true;
        case ImageHeader::Malformed: return false;
        case ImageHeader::Sized: break;
    }
    return width > 0 && height > 0 && uint64_t(width) * height <= kMaxDecodedPixels;
}

// Scales an RGBA surface down so that neither side exceeds the largest texture size.
SurfacePtr FitToTextureLimit(SurfacePtr surface) {
    if (uint32_t(surface->w) <= kMaxTextureSize && uint32_t(surface->h) <= kMaxTextureSize) return surface;
    double scale = std::min(double(kMaxTextureSize) / surface->w, double(kMaxTextureSize) / surface->h);
    int width = std::clamp(int(std::lround(surface->w * scale)), 1, int(kMaxTextureSize));
    int height = std::clamp(int(std::lround(surface->h * scale)), 1, int(kMaxTextureSize));
    SurfacePtr scaled(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ABGR8888));
    if (!scaled) return nullptr;
    SDL_SetSurfaceBlendMode(surface.get(), SDL_BLENDMODE_NONE);  // copy alpha, do not blend it
    if (SDL_BlitScaled(surface.get(), nullptr, scaled.get(), nullptr) != 0) return nullptr;
    return scaled;
}

}  // namespace

bool DecodeImage(const uint8_t* bytes, uint32_t size, DecodedImage* image) {
    if (!bytes || size == 0 || !DeclaredSizeAcceptable(bytes, size)) return false;

    SDL_RWops* stream = SDL_RWFromConstMem(bytes, int(std::min<uint32_t>(size, INT32_MAX)));
    if (!stream) return false;
    SurfacePtr decoded(IMG_Load_RW(stream, 1));
    if (!decoded || decoded->w <= 0 || decoded->h <= 0) return false;

    // ABGR8888 is the packed value whose bytes in memory read R, G, B, A.
    SurfacePtr rgba(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_ABGR8888, 0));
    decoded.reset();
    if (!rgba) return false;
    rgba = FitToTextureLimit(std::move(rgba));
    if (!rgba) return false;

    image->width = uint32_t(rgba->w);
    image->height = uint32_t(rgba->h);
    const size_t rowBytes = size_t(image->width) * 4;
    image->rgba.resize(rowBytes * image->height);
    if (SDL_LockSurface(rgba.get()) != 0) return false;
    const auto* source = static_cast<const uint8_t*>(rgba->pixels);
    for (uint32_t y = 0; y < image->height; ++y)
        std::memcpy(image->rgba.data() + y * rowBytes, source + size_t(y) * rgba->pitch, rowBytes);
    SDL_UnlockSurface(rgba.get());
    return true;
}
