#pragma once
// A chart of flat colour patches for recordings: drawn as RGBA, checked in decoded RGB
// at each patch's centre, away from the chroma of its neighbours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace colourchart {

constexpr int kPatch = 32, kColumns = 8, kRows = 4;

// Greys, primaries, secondaries and mixed tones.
inline const uint8_t kChart[kRows][kColumns][3] = {
    {{0, 0, 0}, {36, 36, 36}, {73, 73, 73}, {109, 109, 109}, {146, 146, 146}, {182, 182, 182}, {219, 219, 219}, {255, 255, 255}},
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {128, 0, 0}, {0, 0, 128}},
    {{115, 82, 68}, {194, 150, 130}, {98, 122, 157}, {87, 108, 67}, {133, 128, 177}, {103, 189, 170}, {214, 126, 44}, {80, 91, 166}},
    {{193, 90, 99}, {94, 60, 108}, {157, 188, 64}, {224, 163, 46}, {56, 61, 150}, {70, 148, 73}, {175, 54, 60}, {231, 199, 31}},
};

// width x height RGBA rows; patches past the chart repeat its last column and row.
inline std::vector<uint8_t> Draw(int width, int height) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* c = kChart[std::min(y / kPatch, kRows - 1)][std::min(x / kPatch, kColumns - 1)];
            uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    return rgba;
}

// Checks every patch centre of one decoded YUV 4:2:0 frame (limited range, BT.709 or
// BT.601), converted back to RGB by the exact matrix, against the chart; returns the worst
// channel difference. Exact arithmetic here keeps the player's conversion from being judged
// by a decoder's approximations.
inline int Compare(const std::string& yuv, int width, int height, bool bt709, int tolerance) {
    const double kr = bt709 ? 0.2126 : 0.299, kb = bt709 ? 0.0722 : 0.114, kg = 1.0 - kr - kb;
    const auto* planes = reinterpret_cast<const uint8_t*>(yuv.data());
    const size_t chroma = size_t(width / 2) * (height / 2);
    int worst = 0;
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column) {
            const int x = column * kPatch + kPatch / 2, y = row * kPatch + kPatch / 2;
            const size_t at = size_t(y / 2) * (width / 2) + x / 2;
            const double luma = (planes[size_t(y) * width + x] - 16) * 255.0 / 219.0;
            const double cb = (planes[size_t(width) * height + at] - 128) * 255.0 / 224.0;
            const double cr = (planes[size_t(width) * height + chroma + at] - 128) * 255.0 / 224.0;
            const double r = luma + 2.0 * (1.0 - kr) * cr, b = luma + 2.0 * (1.0 - kb) * cb;
            const double rgb[3] = {r, (luma - kr * r - kb * b) / kg, b};
            for (int c = 0; c < 3; ++c) {
                const int decoded = static_cast<int>(std::lround(std::clamp(rgb[c], 0.0, 255.0)));
                const int difference = std::abs(decoded - int(kChart[row][column][c]));
                worst = std::max(worst, difference);
                EXPECT_LE(difference, tolerance) << "patch " << row << "," << column << " channel " << c;
            }
        }
    return worst;
}

}  // namespace colourchart
