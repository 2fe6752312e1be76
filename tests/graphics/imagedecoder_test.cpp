// Image decoding to RGBA8 and the header checks that refuse broken or absurd files before
// a decoder allocates for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "datafolder.h"
#include "graphics/imagedecoder.h"
#include "graphics/imageheader.h"
#include "imagebytes.h"

namespace {

const std::vector<uint8_t> kPattern = {
    255, 0,   0,   255, 0,   255, 0, 255, 0,   0,   255, 255, 255, 255, 255, 255,
    128, 128, 128, 128, 0,   0,   0, 255, 255, 255, 0,   255, 0,   255, 255, 255,
};

bool Decode(const std::string& bytes, DecodedImage* image) {
    return DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), image);
}

ImageHeader Header(const std::string& bytes, uint32_t* w, uint32_t* h) {
    return ReadImageHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), w, h);
}

TEST(ImageDecoder, PngAndLosslessWebpDecodeToExactRgbaRowsTopFirst) {
    for (const char* name : {"images/pattern4x2.png", "images/pattern4x2.webp"}) {
        DecodedImage image;
        ASSERT_TRUE(Decode(DataFolder::ReadTestData(name), &image)) << name;
        EXPECT_EQ(image.width, 4u);
        EXPECT_EQ(image.height, 2u);
        EXPECT_EQ(image.rgba, kPattern) << name;
    }
}

TEST(ImageDecoder, JpegDecodesToItsColourWithinCompressionError) {
    DecodedImage image;
    ASSERT_TRUE(Decode(DataFolder::ReadTestData("images/blue16x8.jpg"), &image));
    EXPECT_EQ(image.width, 16u);
    EXPECT_EQ(image.height, 8u);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        EXPECT_NEAR(image.rgba[i + 0], 0x33, 6);
        EXPECT_NEAR(image.rgba[i + 1], 0x66, 6);
        EXPECT_NEAR(image.rgba[i + 2], 0xCC, 6);
        EXPECT_EQ(image.rgba[i + 3], 255);
    }
}

TEST(ImageDecoder, HeadersReportDeclaredSizes) {
    uint32_t w = 0, h = 0;
    EXPECT_EQ(Header(DataFolder::ReadTestData("images/pattern4x2.png"), &w, &h), ImageHeader::Sized);
    EXPECT_EQ(w * 100 + h, 402u);
    EXPECT_EQ(Header(DataFolder::ReadTestData("images/pattern4x2.webp"), &w, &h), ImageHeader::Sized);
    EXPECT_EQ(w * 100 + h, 402u);
    EXPECT_EQ(Header(DataFolder::ReadTestData("images/blue16x8.jpg"), &w, &h), ImageHeader::Sized);
    EXPECT_EQ(w * 100 + h, 1608u);
    EXPECT_EQ(Header("not an image format", &w, &h), ImageHeader::Unrecognised);
    EXPECT_EQ(Header("BM too short", &w, &h), ImageHeader::Malformed);
    EXPECT_EQ(Header(DataFolder::ReadTestData("images/pattern4x2.png").substr(0, 20), &w, &h),
              ImageHeader::Malformed);
    EXPECT_EQ(Header(DataFolder::ReadTestData("images/blue16x8.jpg").substr(0, 40), &w, &h),
              ImageHeader::Malformed);
}

TEST(ImageDecoder, BrokenFilesFailWithoutCrashing) {
    const std::string png = DataFolder::ReadTestData("images/pattern4x2.png");
    const std::string jpeg = DataFolder::ReadTestData("images/blue16x8.jpg");
    const std::string webp = DataFolder::ReadTestData("images/pattern4x2.webp");
    const std::string cases[] = {
        std::string(),
        png.substr(0, png.size() / 2),
        png.substr(0, 30),
        imagebytes::PngWithCorruptData(png),
        imagebytes::PngWithSize(png, 0, 2),
        imagebytes::PngWithSize(png, 100000, 100000),
        imagebytes::PngWithSize(png, 0x7FFFFFFF, 0x7FFFFFFF),
        imagebytes::PngWithSize(png, 10000, 10000),  // within the limit, not within 105 bytes
        // A chunk declaring 512 MB in a file of a hundred bytes (found by fuzzing: libpng
        // spent seconds checksumming memory that was never read).
        png.substr(0, 33) + std::string("\x20\0\0\x09pHYs", 8) + png.substr(33),
        png.substr(0, 33) + std::string("\0\0\0\x0apHYs\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x60", 23),  // header cut
        imagebytes::JpegWithSize(jpeg, 65535, 65535),
        imagebytes::JpegWithSize(jpeg, 0, 8),
        jpeg.substr(0, 100),
        webp.substr(0, 40),
        "this is not an image at all",
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        DecodedImage image;
        EXPECT_FALSE(Decode(cases[i], &image)) << "case " << i;
    }
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(nullptr, 0, &image));
}

// Every format SDL_image reads with a size in its header has that size checked: hand-made
// headers with absurd sizes are refused before decoding, small real ones still decode.
TEST(ImageDecoder, HeadersOfEveryFormatAreCheckedBeforeDecoding) {
    struct Case {
        std::string bytes;
        ImageHeader header;
        uint32_t width, height;
    };
    const Case cases[] = {
        {imagebytes::Bmp(30000, 30000, 0), ImageHeader::Malformed, 0, 0},  // rows missing
        {imagebytes::Bmp(30000, -30000, 30000), ImageHeader::Malformed, 0, 0},
        {imagebytes::Bmp(2, -1, 8), ImageHeader::Sized, 2, 1},
        {imagebytes::Gif(65535, 65535, 1, 1), ImageHeader::Sized, 1, 1},  // only the frame is allocated
        {imagebytes::Gif(65535, 65535, 65535, 65535), ImageHeader::Sized, 65535, 65535},
        // Decoders skip stray bytes before the image (found by fuzzing: SDL_image allocated
        // for a frame the header check had not seen).
        {imagebytes::Gif(65535, 65535, 65535, 14406).insert(13, std::string(3, '\0')), ImageHeader::Sized, 65535, 14406},
        {imagebytes::Gif(65535, 65535, 13325, 17410), ImageHeader::Sized, 13325, 17410},  // not in 40 bytes
        // A frame past the logical screen (found by fuzzing: SDL_image freed memory it never allocated).
        {imagebytes::Gif(1, 256, 18175, 49), ImageHeader::Malformed, 0, 0},
        // An LZW code size of 0 (found by fuzzing: SDL_image freed memory it never allocated).
        {[] { std::string g = imagebytes::Gif(1, 1, 4, 4); g[g.size() - 6] = 0; return g; }(), ImageHeader::Malformed, 0, 0},
        {std::string("II*\0\x08\0\0\0\x02\0\0\x01\x04\0\x01\0\0\0\xff\xff\0\0"
                     "\x01\x01\x03\0\x01\0\0\0\xff\xff\0\0", 34), ImageHeader::Sized, 65535, 65535},
        {std::string("qoif\0\x01\0\0\0\x01\0\0\x04\0", 14), ImageHeader::Sized, 65536, 65536},
        // Within the pixel limit but not within 24 bytes (found by fuzzing).
        {std::string("qoif\0\xef\xf6\x27\0\0\0\x11\x04\0\x87\x01\x05\0\0\x3f\0\x21\xf9\x52", 24),
         ImageHeader::Sized, 15726119, 17},
        {"P6\n# comment\n 70000 80000\n255\n", ImageHeader::Sized, 70000, 80000},
        {"P6 12", ImageHeader::Malformed, 0, 0},
        {std::string("gimp xcf file\0\0\x01\x47\x49\x46\x38\x39\x61", 22), ImageHeader::Sized, 83785, 1178089825},
        {"P522222222\n#P\n\r112 2", ImageHeader::Sized, 22222222, 112},  // found by fuzzing
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        uint32_t w = 0, h = 0;
        EXPECT_EQ(Header(cases[i].bytes, &w, &h), cases[i].header) << "case " << i;
        if (cases[i].header == ImageHeader::Sized) {
            EXPECT_EQ(w * 100000ull + h, cases[i].width * 100000ull + cases[i].height) << "case " << i;
        }
        DecodedImage image;
        if (cases[i].width * uint64_t(cases[i].height) > 1000000 || cases[i].header == ImageHeader::Malformed) {
            EXPECT_FALSE(Decode(cases[i].bytes, &image)) << "case " << i;
        }
    }
    DecodedImage image;
    ASSERT_TRUE(Decode(imagebytes::Bmp(2, -1, 8), &image));
    EXPECT_EQ(image.width * 100 + image.height, 201u);

    // XCF is refused whatever it declares: its reader allocates and writes what the layers
    // inside say (found by fuzzing: 12.8 GB for a 36-byte file, then writes through null).
    std::string reason;
    const std::string xcf("gimp xcf  xcf \x01\0\x01\0\0\0\0\x01\0\x01\0\0\0\0\0\x01,1\0\xd3\xff ", 36);
    EXPECT_FALSE(DecodeImage(reinterpret_cast<const uint8_t*>(xcf.data()), uint32_t(xcf.size()), &image, &reason));
    EXPECT_EQ(reason, "GIMP's XCF files are not read: export the image as PNG");
}

TEST(ImageDecoder, GifsDecodeTheirFirstImageAndStopAtCorruptCodes) {
    // An encoder's LZW strings, against a PNG of the same pixels.
    DecodedImage gif, png;
    ASSERT_TRUE(Decode(DataFolder::ReadTestData("images/colours61x47.gif"), &gif));
    ASSERT_TRUE(Decode(DataFolder::ReadTestData("images/colours61x47.png"), &png));
    EXPECT_EQ(gif.width * 100 + gif.height, 6147u);
    EXPECT_TRUE(gif.rgba == png.rgba);

    // Interlaced rows land in place; the transparent colour gets alpha 0; a stream cut short
    // leaves colour 0 where it never reached.
    std::vector<int> indices;
    for (int i = 0; i < 27; ++i) indices.push_back(i);
    const std::vector<int> interlacedOrder = {0, 8, 4, 2, 6, 1, 3, 5, 7};  // rows as stored
    std::vector<int> stored;
    for (int row : interlacedOrder)
        for (int x = 0; x < 3; ++x) stored.push_back(indices[size_t(row) * 3 + x]);
    std::vector<int> truncated = imagebytes::LiteralCodes(indices);
    truncated.resize(truncated.size() - 10);  // the last nine pixels and the end code
    const struct {
        std::string bytes;
        std::vector<int> expected;
        int transparent;
    } cases[] = {
        {imagebytes::GifWithCodes(3, 9, imagebytes::LiteralCodes(stored), true, 16), indices, 16},
        {imagebytes::GifWithCodes(3, 9, truncated, false, -1),
         [&] { std::vector<int> v = indices; std::fill(v.end() - 9, v.end(), 0); return v; }(), -1},
    };
    for (const auto& c : cases) {
        DecodedImage image;
        ASSERT_TRUE(Decode(c.bytes, &image));
        ASSERT_EQ(image.width * 100 + image.height, 309u);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const int colour = c.expected[i];
            const std::vector<uint8_t> want = {uint8_t(8 * colour), uint8_t(255 - 8 * colour), uint8_t(5 * colour),
                                               uint8_t(colour == c.transparent ? 0 : 255)};
            EXPECT_EQ(std::vector<uint8_t>(image.rgba.begin() + i * 4, image.rgba.begin() + i * 4 + 4), want) << i;
        }
    }

    // A code the table cannot account for ends the image there, or refuses it before the
    // first pixel; a stream whose strings overran another reader's stack (found by fuzzing)
    // decodes what it can.
    DecodedImage image;
    ASSERT_TRUE(Decode(imagebytes::GifWithCodes(2, 1, {32, 5, 60, 33}, false, -1), &image));
    EXPECT_EQ(std::vector<uint8_t>(image.rgba.begin(), image.rgba.begin() + 8),
              std::vector<uint8_t>({40, 215, 25, 255, 0, 255, 0, 255}));
    std::string reason;
    const std::string badFirst = imagebytes::GifWithCodes(2, 1, {32, 40, 33}, false, -1);
    EXPECT_FALSE(DecodeImage(reinterpret_cast<const uint8_t*>(badFirst.data()), uint32_t(badFirst.size()), &image, &reason));
    EXPECT_EQ(reason, "the GIF's image data is corrupt (code 40 is not in the table)");
    EXPECT_TRUE(Decode(DataFolder::ReadTestData("images/lzw-overrun.gif"), &image));
}

TEST(ImageDecoder, ImagesWiderThanTheTextureLimitAreScaledToFit) {
    DecodedImage image;
    ASSERT_TRUE(Decode(DataFolder::ReadTestData("images/wide16400x4.png"), &image));
    EXPECT_EQ(image.width, kMaxTextureSize);
    EXPECT_EQ(image.height, 4u);
    ASSERT_EQ(image.rgba.size(), size_t(kMaxTextureSize) * 4 * 4);
    const size_t last = image.rgba.size() - 4;
    // The scaler may filter; a flat colour stays within rounding.
    EXPECT_NEAR(image.rgba[last + 0], 0xFF, 2);
    EXPECT_NEAR(image.rgba[last + 1], 0x80, 2);
    EXPECT_NEAR(image.rgba[last + 2], 0x00, 2);
    EXPECT_EQ(image.rgba[last + 3], 0xFF);

    // A device with a smaller limit gets images scaled to its own limit.
    const std::string png = DataFolder::ReadTestData("images/pattern4x2.png");
    ASSERT_TRUE(DecodeImage(reinterpret_cast<const uint8_t*>(png.data()), uint32_t(png.size()), &image, nullptr, 2));
    EXPECT_EQ(image.width * 100 + image.height, 201u);
    std::vector<int> indices(27, 7);
    const std::string gif = imagebytes::GifWithCodes(3, 9, imagebytes::LiteralCodes(indices), false, -1);
    ASSERT_TRUE(DecodeImage(reinterpret_cast<const uint8_t*>(gif.data()), uint32_t(gif.size()), &image, nullptr, 3));
    EXPECT_EQ(image.width * 100 + image.height, 103u);
    EXPECT_EQ(std::vector<uint8_t>(image.rgba.begin(), image.rgba.begin() + 4), std::vector<uint8_t>({56, 199, 35, 255}));
}

}  // namespace
