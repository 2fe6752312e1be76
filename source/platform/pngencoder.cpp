#include "platform/pngencoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>

#include "system/log.h"

namespace {

struct PngTarget {
    std::vector<uint8_t>* out;
};

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* target = static_cast<PngTarget*>(png_get_io_ptr(png));
    // libpng unwinds with longjmp, so an allocation failure must not escape as an exception.
    try {
        target->out->insert(target->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void FlushNothing(png_structp) {}

void ReportError(png_structp png, png_const_charp message) {
    LOG("PNG encoding failed: %s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Only plain data lives in this frame: libpng may longjmp out of any call below.
bool WritePng(png_structp png, png_infop info, const uint8_t* const* rows, int width, int height, PngTarget* target) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, target, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<png_charp>("Software");
    text.text = const_cast<png_charp>("Lumivane");
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    // The rows are RGBA: the filler setting makes libpng skip the fourth byte of each pixel.
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, const_cast<png_bytepp>(rows));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool EncodePng(const uint8_t* rgba, int width, int height, int rowPitch, std::vector<uint8_t>* out) {
    if (!rgba || !out || width <= 0 || height <= 0 || rowPitch / 4 < width) {
        LOG("Invalid image for PNG encoding: %dx%d, row pitch %d", width, height, rowPitch);
        return false;
    }
    std::vector<const uint8_t*> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = rgba + static_cast<size_t>(y) * rowPitch;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportError, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        LOG("Failed to create PNG encoder");
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    out->clear();
    // A raw image with a little headroom is a good first guess; the buffer grows if needed.
    const size_t guess = static_cast<size_t>(width) * height * 3 / 2 + 1024;
    out->reserve(std::min<size_t>(guess, size_t(64) << 20));
    PngTarget target{out};
    const bool ok = WritePng(png, info, rows.data(), width, height, &target);
    png_destroy_write_struct(&png, &info);
    if (!ok) out->clear();
    return ok;
}
