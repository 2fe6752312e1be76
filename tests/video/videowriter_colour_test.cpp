// Colours through an ".mp4" recording: BT.709 limited range, tagged so, and a chart of flat
// patches decodes within 3/255 of what was rendered; and the packed YUV 4:2:0 layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "colourchart.h"
#include "mediaprobe.h"
#include "system/videowriter.h"
#include "system/yuv420layout.h"

namespace {

constexpr int kWidth = 256, kHeight = 128;

TEST(VideoWriterColour, ChartSurvivesTheRecordingWithBt709Tags) {
    mediaprobe::ScratchDir dir("colourchart");
    const std::string file = dir.File("chart.mp4");
    const std::vector<uint8_t> rgba = colourchart::Draw(kWidth, kHeight);
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        ASSERT_TRUE(writer.IsReady());
        for (int n = 0; n < 3; ++n) writer.writeFrame(rgba.data());
    }
    const std::string json = mediaprobe::Probe(file, "-show_entries stream=color_space,color_range,color_primaries");
    EXPECT_EQ(mediaprobe::JsonValues(json, "color_space"), std::vector<std::string>{"bt709"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "color_range"), std::vector<std::string>{"tv"}) << json;

    const std::string yuv = mediaprobe::DecodeYuv420(file);
    ASSERT_EQ(yuv.size(), 3u * kWidth * kHeight * 3 / 2);
    const int worst = colourchart::Compare(yuv.substr(2u * kWidth * kHeight * 3 / 2), kWidth, kHeight, true, 3);
    RecordProperty("worst", worst);
}

}  // namespace

namespace {

// The packed planes: strides a multiple of 8, two chroma rows per texture row, planes back
// to back, and sizes that cannot be 4:2:0 refused.
TEST(Yuv420Layout, PlanesArePackedBackToBack) {
    struct Case {
        int width, height, stride, chromaTextureRows;
        size_t uOffset, vOffset, bytes;
    };
    const Case cases[] = {
        {256, 128, 256, 32, 256 * 128, 256 * 160, 256 * 192},
        {250, 126, 256, 32, 256 * 126, 256 * 158, 256 * 190},  // stride padded; 63 chroma rows
        {2, 2, 8, 1, 16, 24, 32},
        {1280, 720, 1280, 180, 1280 * 720, 1280 * 900, 1280 * 1080},
    };
    for (const Case& c : cases) {
        const Yuv420Layout layout = MakeYuv420Layout(c.width, c.height, true);
        EXPECT_EQ(layout.lumaStride, c.stride) << c.width;
        EXPECT_EQ(layout.chromaStride * 2, c.stride) << c.width;
        EXPECT_EQ(layout.chromaTextureRows, c.chromaTextureRows) << c.width;
        EXPECT_EQ(layout.uOffset, c.uOffset) << c.width;
        EXPECT_EQ(layout.vOffset, c.vOffset) << c.width;
        EXPECT_EQ(layout.bytes, c.bytes) << c.width;
        EXPECT_EQ(size_t(layout.TextureWidth()) * 4 * layout.TextureHeight(), layout.bytes) << c.width;
    }
    for (const auto& [w, h] : {std::pair{255, 128}, {256, 127}, {0, 2}, {-2, 2}})
        EXPECT_EQ(MakeYuv420Layout(w, h, false).width, 0) << w << "x" << h;
}

}  // namespace
