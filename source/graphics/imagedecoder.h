#pragma once
// Decodes an image file held in memory (GIF with its own reader; PNG, JPEG, WebP and whatever
// else SDL2_image reads) into tightly packed RGBA8 rows, top row first.
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;  // width x height x 4 bytes: R, G, B, A
};

// Largest texture side when the device does not say; bigger images are scaled down to fit,
// keeping their aspect ratio.
constexpr uint32_t kMaxTextureSize = 16384;
// Images declaring more pixels than this are refused before decoding (1 GiB of RGBA).
constexpr uint64_t kMaxDecodedPixels = uint64_t(kMaxTextureSize) * kMaxTextureSize;

// False for bytes that are not a decodable image, declare a zero or absurd size, or are
// truncated or corrupt; `reason` (when given) then says why, in the decoder's words or the
// header check's ("declares 0 × 2 pixels"). Logs nothing: the caller names the file.
// Images with a side over `maxSide` (the device's largest texture) are scaled down to fit.
bool DecodeImage(const uint8_t* bytes, uint32_t size, DecodedImage* image, std::string* reason = nullptr,
                 uint32_t maxSide = kMaxTextureSize);
