#include "graphics/pngdiagnosis.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

struct Reader {
    const uint8_t* bytes;
    size_t size;
    size_t offset;
    std::string message;
};

void OnError(png_structp png, png_const_charp message) {
    static_cast<Reader*>(png_get_error_ptr(png))->message = message ? message : "unknown libpng error";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (reader->size - reader->offset < length) png_error(png, "Read Error: the file ends early");
    std::memcpy(out, reader->bytes + reader->offset, length);
    reader->offset += length;
}

// Decodes every row through one row buffer, so that diagnosing a large image costs little memory.
void ReadAll(png_structp png, png_infop info, std::vector<uint8_t>* row) {
    png_set_read_fn(png, png_get_error_ptr(png), OnRead);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row->resize(png_get_rowbytes(png, info));
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, row->data(), nullptr);
    png_read_end(png, nullptr);
}

}  // namespace

std::string DiagnosePng(const uint8_t* bytes, uint32_t size) {
    Reader reader{bytes, size, 0, std::string()};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
    if (!png) return "libpng could not start";
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row;
    if (info && setjmp(png_jmpbuf(png)) == 0) ReadAll(png, info, &row);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return reader.message;
}
