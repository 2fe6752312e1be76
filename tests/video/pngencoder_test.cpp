// Screenshot PNGs: the pixels survive a round trip through libpng, alpha is dropped,
// the metadata chunks are there, and large images are never cut short.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/pngencoder.h"
#include "support/logcapture.h"

namespace {

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

Decoded DecodeRgb(const std::vector<uint8_t>& file) {
    Decoded out;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return out;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return {};
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return out;
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

std::vector<Chunk> Chunks(const std::vector<uint8_t>& file) {
    std::vector<Chunk> chunks;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = (uint32_t(file[at]) << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        if (at + 12 + length > file.size()) break;
        chunks.push_back({std::string(reinterpret_cast<const char*>(&file[at + 4]), 4),
                          std::vector<uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const Chunk& c : chunks)
        if (c.type == type) return &c;
    return nullptr;
}

// Pixels of a 37 x 23 image stored with 16 spare bytes per row.
std::vector<uint8_t> PaddedImage(int width, int height, int pitch) {
    std::vector<uint8_t> rgba(static_cast<size_t>(pitch) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[y * pitch + x * 4];
            p[0] = static_cast<uint8_t>(x * 7);
            p[1] = static_cast<uint8_t>(y * 11);
            p[2] = static_cast<uint8_t>(x * y);
            p[3] = static_cast<uint8_t>(x + y);  // varying alpha must not reach the file
        }
    return rgba;
}

TEST(PngEncoder, RoundTripKeepsRgbAndDropsAlpha) {
    const int width = 37, height = 23, pitch = 37 * 4 + 16;
    const auto rgba = PaddedImage(width, height, pitch);
    std::vector<uint8_t> file = {1, 2, 3};  // old contents are replaced
    ASSERT_TRUE(EncodePng(rgba.data(), width, height, pitch, &file));

    const auto chunks = Chunks(file);
    const Chunk* header = Find(chunks, "IHDR");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->data[8], 8);  // bit depth
    EXPECT_EQ(header->data[9], PNG_COLOR_TYPE_RGB);

    const Decoded decoded = DecodeRgb(file);
    ASSERT_EQ(decoded.width, width);
    ASSERT_EQ(decoded.height, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(decoded.rgb[(y * width + x) * 3 + c], rgba[y * pitch + x * 4 + c])
                    << x << "," << y << " channel " << c;
}

TEST(PngEncoder, CarriesSoftwareAndSrgbChunks) {
    const std::vector<uint8_t> rgba(4 * 4 * 4, 0x80);
    std::vector<uint8_t> file;
    ASSERT_TRUE(EncodePng(rgba.data(), 4, 4, 16, &file));
    const auto chunks = Chunks(file);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.back().type, "IEND");

    const Chunk* srgb = Find(chunks, "sRGB");
    ASSERT_NE(srgb, nullptr);
    ASSERT_EQ(srgb->data.size(), 1u);
    EXPECT_EQ(srgb->data[0], PNG_sRGB_INTENT_PERCEPTUAL);

    const Chunk* text = Find(chunks, "tEXt");
    ASSERT_NE(text, nullptr);
    const std::string expected("Software\0Lumivane", 17);
    EXPECT_EQ(std::string(text->data.begin(), text->data.end()), expected);
}

TEST(PngEncoder, ImageLargerThanTenMebibytesIsComplete) {
    const int size = 3000;
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    uint32_t state = 123456789;
    for (uint8_t& b : rgba) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 24);
    }
    std::vector<uint8_t> file;
    ASSERT_TRUE(EncodePng(rgba.data(), size, size, size * 4, &file));
    EXPECT_GT(file.size(), size_t(10) << 20);
    const Decoded decoded = DecodeRgb(file);
    ASSERT_EQ(decoded.width, size);
    ASSERT_EQ(decoded.height, size);
    for (size_t i = 0; i < size_t(size) * size; i += 997)
        ASSERT_EQ(std::memcmp(&decoded.rgb[i * 3], &rgba[i * 4], 3), 0) << "pixel " << i;
}

TEST(PngEncoder, RejectsInvalidInputWithoutCrashing) {
    LogCapture log;
    const std::vector<uint8_t> rgba(64, 0);
    std::vector<uint8_t> file;
    EXPECT_FALSE(EncodePng(nullptr, 4, 4, 16, &file));
    EXPECT_FALSE(EncodePng(rgba.data(), 0, 4, 16, &file));
    EXPECT_FALSE(EncodePng(rgba.data(), 4, -1, 16, &file));
    EXPECT_FALSE(EncodePng(rgba.data(), 4, 4, 12, &file));  // rows overlap
    EXPECT_FALSE(EncodePng(rgba.data(), 4, 4, 16, nullptr));
    EXPECT_EQ(log.CountContaining("Invalid image for PNG encoding"), 5);
    // libpng's own limits fail through its error path, not a crash.
    EXPECT_FALSE(EncodePng(rgba.data(), 2000000, 1, 8000000, &file));
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(log.CountContaining("PNG encoding failed"), 1);
}

}  // namespace
