#include "graphics/cubeloader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "system/log.h"

namespace {

struct Line {
    const char* text;
    int number;  // from 1, as an editor counts
};

using Rgb = std::array<float, 3>;

// The input range a table covers, per channel.
struct Domain {
    Rgb min{0.0f, 0.0f, 0.0f};
    Rgb max{1.0f, 1.0f, 1.0f};
    bool IsUnit() const { return min == Rgb{0.0f, 0.0f, 0.0f} && max == Rgb{1.0f, 1.0f, 1.0f}; }
    // Position of v in the range, 0..1.
    float Normalise(float v, int c) const { return std::clamp((v - min[c]) / (max[c] - min[c]), 0.0f, 1.0f); }
};

// Reads `count` floats separated by white space from a zero-terminated line, as "%f %f %f".
bool ReadFloats(const char* line, float* out, int count = 3) {
    const char* p = line;
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        out[i] = std::strtof(p, &end);
        if (end == p) return false;
        p = end;
    }
    return true;
}

bool StartsWith(const char* line, const char* keyword) {
    const size_t length = std::strlen(keyword);
    return std::strncmp(line, keyword, length) == 0 && (line[length] == ' ' || line[length] == '\t');
}

// 0..1 maps to 0..255 by truncation; out-of-range values and NaN are clamped.
uint8_t ToByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<uint8_t>(value * 255.0f);
}

// Splits a private copy of the text into zero-terminated lines, dropping empty ones;
// CR LF reads like LF.
std::vector<Line> SplitLines(std::string& text) {
    std::vector<Line> lines;
    size_t start = 0;
    int number = 1;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') continue;
        size_t stop = i;
        if (stop > start && text[stop - 1] == '\r') --stop;
        if (stop < text.size()) text[stop] = '\0';
        if (stop > start) lines.push_back({text.c_str() + start, number});
        start = i + 1;
        ++number;
    }
    return lines;
}

std::string At(const Line& line, const std::string& what) { return "line " + std::to_string(line.number) + ": " + what; }

// Linear interpolation in a 1D table of one channel.
// A coordinate clamped to 0..1; NaN (from a table holding infinities) reads as 0.
float Unit(float t) { return t >= 0.0f ? std::min(t, 1.0f) : 0.0f; }

float Sample1D(const std::vector<Rgb>& table, float t, int c) {
    const float position = Unit(t) * float(table.size() - 1);
    const size_t i = std::min(size_t(position), table.size() - 1);
    const size_t j = std::min(i + 1, table.size() - 1);
    const float f = position - float(i);
    return table[i][c] + (table[j][c] - table[i][c]) * f;
}

// Trilinear interpolation in the N^3 lattice at a position in 0..1 per axis.
Rgb Sample3D(const std::vector<Rgb>& lattice, int n, const Rgb& at) {
    size_t i0[3], i1[3];
    float f[3];
    for (int a = 0; a < 3; ++a) {
        const float position = Unit(at[a]) * float(n - 1);
        i0[a] = std::min(size_t(position), size_t(n - 1));
        i1[a] = std::min(i0[a] + 1, size_t(n - 1));
        f[a] = position - float(i0[a]);
    }
    Rgb out{0.0f, 0.0f, 0.0f};
    for (int corner = 0; corner < 8; ++corner) {
        float weight = 1.0f;
        size_t index = 0, stride = 1;
        for (int a = 0; a < 3; ++a) {
            const bool high = (corner >> a) & 1;
            weight *= high ? f[a] : 1.0f - f[a];
            index += (high ? i1[a] : i0[a]) * stride;
            stride *= size_t(n);
        }
        if (weight == 0.0f) continue;
        const Rgb& v = lattice[index];
        for (int c = 0; c < 3; ++c) out[c] += weight * v[c];
    }
    return out;
}

}  // namespace

CubeLoader::CubeLoader(const uint8_t* bytes, uint32_t length) {
    LOG("Parsing a .cube file..");
    succeeded_ = Parse(bytes, length);
    if (succeeded_) {
        LOG("..succeeded");
    } else {
        size_ = 0;
        texels_.clear();
        LOG("..failed");
    }
}

bool CubeLoader::Fail(std::string reason) {
    error_ = std::move(reason);
    return false;
}

bool CubeLoader::Parse(const uint8_t* bytes, uint32_t length) {
    if (!bytes || length == 0) return Fail("the file is empty");
    std::string text(reinterpret_cast<const char*>(bytes), length);
    const std::vector<Line> lines = SplitLines(text);

    size_t line = 0;
    while (line < lines.size() && !StartsWith(lines[line].text, "LUT_3D_SIZE")) ++line;
    if (line == lines.size()) return Fail("there is no LUT_3D_SIZE line");
    const char* number = lines[line].text + std::strlen("LUT_3D_SIZE");
    char* end = nullptr;
    const long n = std::strtol(number, &end, 10);
    if (end == number || n < 1 || n > kMaxSize)
        return Fail(At(lines[line], "LUT_3D_SIZE must be a whole number from 1 to " + std::to_string(kMaxSize)));
    ++line;

    // The keywords that shape the table may stand anywhere before its first data line.
    float values[3];
    size_t data = line;
    while (data < lines.size() && !ReadFloats(lines[data].text, values)) ++data;
    Domain domain, range1D, range3D;
    bool domainGiven = false, range1DGiven = false, range3DGiven = false;
    long shaperSize = 0;
    for (size_t i = 0; i < data; ++i) {
        const Line& l = lines[i];
        const char* rest = l.text + std::strcspn(l.text, " \t");
        if (StartsWith(l.text, "DOMAIN_MIN") || StartsWith(l.text, "DOMAIN_MAX")) {
            if (!ReadFloats(rest, values)) return Fail(At(l, "expected three numbers after the keyword"));
            Rgb& target = l.text[8] == 'I' ? domain.min : domain.max;
            std::copy(values, values + 3, target.begin());
            domainGiven = true;
        } else if (StartsWith(l.text, "LUT_1D_INPUT_RANGE") || StartsWith(l.text, "LUT_3D_INPUT_RANGE")) {
            if (!ReadFloats(rest, values, 2)) return Fail(At(l, "expected two numbers after the keyword"));
            const bool is1D = l.text[4] == '1';
            Domain& target = is1D ? range1D : range3D;
            (is1D ? range1DGiven : range3DGiven) = true;
            target.min.fill(values[0]);
            target.max.fill(values[1]);
        } else if (StartsWith(l.text, "LUT_1D_SIZE")) {
            shaperSize = std::strtol(rest, &end, 10);
            if (end == rest || shaperSize < 2 || shaperSize > kMax1DSize)
                return Fail(At(l, "LUT_1D_SIZE must be a whole number from 2 to " + std::to_string(kMax1DSize)));
        }
    }
    // DOMAIN_MIN / DOMAIN_MAX give the range of the table that comes first: the shaper when
    // there is one. The INPUT_RANGE keywords name their table.
    const bool shaped = shaperSize > 0;
    const Domain domain1D = range1DGiven ? range1D : domain;
    const Domain domain3D = range3DGiven ? range3D : (!shaped && domainGiven ? domain : Domain());
    for (const Domain* d : {&domain1D, &domain3D})
        for (int c = 0; c < 3; ++c)
            if (!(d->max[c] > d->min[c]))
                return Fail("the input range " + std::to_string(d->min[c]) + " .. " + std::to_string(d->max[c]) +
                            " is empty");

    const size_t entries = size_t(n) * size_t(n) * size_t(n);
    const size_t needed = size_t(shaperSize) + entries;
    if (lines.size() - data < needed) {
        const std::string from = data < lines.size() ? " from line " + std::to_string(lines[data].number) : "";
        return Fail("the table needs " + std::to_string(needed) + " data lines" + from + ", the file has " +
                    std::to_string(lines.size() - data));
    }
    std::vector<Rgb> shaper(static_cast<size_t>(shaperSize)), lattice(entries);
    for (size_t i = 0; i < needed; ++i, ++data) {
        if (!ReadFloats(lines[data].text, values)) {
            return Fail(At(lines[data], std::string("expected three numbers, found '") + lines[data].text + "'"));
        }
        Rgb& target = i < shaper.size() ? shaper[i] : lattice[i - shaper.size()];
        std::copy(values, values + 3, target.begin());
    }

    texels_.resize(entries * 4);
    const bool bake = !shaper.empty() || !domain3D.IsUnit();
    for (size_t i = 0; i < entries; ++i) {
        Rgb rgb = lattice[i];
        if (bake) {
            // The colour this lattice point stands for, through the shaper and into the 3D range.
            const size_t coordinate[3] = {i % size_t(n), i / size_t(n) % size_t(n), i / (size_t(n) * size_t(n))};
            Rgb at;
            for (int c = 0; c < 3; ++c) {
                float v = n > 1 ? float(coordinate[c]) / float(n - 1) : 0.0f;
                if (!shaper.empty()) v = Sample1D(shaper, domain1D.Normalise(v, c), c);
                at[c] = domain3D.Normalise(v, c);
            }
            rgb = Sample3D(lattice, int(n), at);
        }
        uint8_t* texel = &texels_[i * 4];
        texel[0] = ToByte(rgb[0]);
        texel[1] = ToByte(rgb[1]);
        texel[2] = ToByte(rgb[2]);
        texel[3] = 255;
    }
    size_ = int(n);
    return true;
}
