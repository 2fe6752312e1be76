// Colours through an ".mp4" recording: BT.709 limited range, tagged so, and a chart of flat
// patches decodes within 3/255 of what was rendered.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mediaprobe.h"
#include "system/videowriter.h"

namespace {

constexpr int kWidth = 256, kHeight = 128, kPatch = 32;

// Eight by four patches: greys, primaries, secondaries and mixed tones.
const uint8_t kChart[4][8][3] = {
    {{0, 0, 0}, {36, 36, 36}, {73, 73, 73}, {109, 109, 109}, {146, 146, 146}, {182, 182, 182}, {219, 219, 219}, {255, 255, 255}},
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {128, 0, 0}, {0, 0, 128}},
    {{115, 82, 68}, {194, 150, 130}, {98, 122, 157}, {87, 108, 67}, {133, 128, 177}, {103, 189, 170}, {214, 126, 44}, {80, 91, 166}},
    {{193, 90, 99}, {94, 60, 108}, {157, 188, 64}, {224, 163, 46}, {56, 61, 150}, {70, 148, 73}, {175, 54, 60}, {231, 199, 31}},
};

TEST(VideoWriterColour, ChartSurvivesTheRecordingWithBt709Tags) {
    mediaprobe::ScratchDir dir("colourchart");
    const std::string file = dir.File("chart.mp4");
    std::vector<uint8_t> rgba(size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* c = kChart[y / kPatch][x / kPatch];
            uint8_t* p = &rgba[(size_t(y) * kWidth + x) * 4];
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    {
        VideoWriter writer(kWidth, kHeight, 30, file);
        ASSERT_TRUE(writer.IsReady());
        for (int n = 0; n < 3; ++n) writer.writeFrame(rgba.data());
    }
    const std::string json = mediaprobe::Probe(file, "-show_entries stream=color_space,color_range,color_primaries");
    EXPECT_EQ(mediaprobe::JsonValues(json, "color_space"), std::vector<std::string>{"bt709"}) << json;
    EXPECT_EQ(mediaprobe::JsonValues(json, "color_range"), std::vector<std::string>{"tv"}) << json;

    const std::string rgb = mediaprobe::DecodeRgb(file);
    ASSERT_EQ(rgb.size(), 3u * kWidth * kHeight * 3);
    int worst = 0;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 8; ++column) {
            // The patch's centre, away from the chroma of its neighbours.
            const int x = column * kPatch + kPatch / 2, y = row * kPatch + kPatch / 2;
            const auto* decoded = reinterpret_cast<const uint8_t*>(rgb.data() + (size_t(y) * kWidth + x) * 3);
            for (int c = 0; c < 3; ++c) {
                const int difference = std::abs(int(decoded[c]) - int(kChart[row][column][c]));
                worst = std::max(worst, difference);
                EXPECT_LE(difference, 3) << "patch " << row << "," << column << " channel " << c;
            }
        }
    RecordProperty("worst", worst);
}

}  // namespace
