// Image headers, then the full decode of whatever the header check lets through.
#include <cstddef>
#include <cstdint>

#include "graphics/imagedecoder.h"
#include "graphics/imageheader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t width = 0, height = 0;
    ReadImageHeader(data, size, &width, &height);
    DecodedImage image;
    if (DecodeImage(data, uint32_t(size), &image) && image.rgba.size() != size_t(image.width) * image.height * 4)
        __builtin_trap();
    return 0;
}
