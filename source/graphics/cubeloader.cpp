#include "graphics/cubeloader.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "system/log.h"

namespace {

constexpr char kSizeKeyword[] = "LUT_3D_SIZE ";
constexpr size_t kSizeKeywordLength = sizeof(kSizeKeyword) - 1;

// Reads three floats separated by white space from a zero-terminated line, as "%f %f %f".
bool ReadTriple(const char* line, float out[3]) {
    const char* p = line;
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        out[i] = std::strtof(p, &end);
        if (end == p) return false;
        p = end;
    }
    return true;
}

// 0..1 maps to 0..255 by truncation; out-of-range values and NaN are clamped.
uint8_t ToByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<uint8_t>(value * 255.0f);
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

bool CubeLoader::Parse(const uint8_t* bytes, uint32_t length) {
    if (!bytes || length == 0) return false;
    // A private, zero-terminated copy cut into lines in place: each line becomes a C string,
    // so no parse can run past the end of the data.
    std::string text(reinterpret_cast<const char*>(bytes), length);
    std::vector<const char*> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') continue;
        size_t stop = i;
        if (stop > start && text[stop - 1] == '\r') --stop;  // CR LF reads like LF
        if (stop < text.size()) text[stop] = '\0';
        if (stop > start) lines.push_back(text.c_str() + start);  // runs of line breaks count as one
        start = i + 1;
    }

    size_t line = 0;
    while (line < lines.size() && std::strncmp(lines[line], kSizeKeyword, kSizeKeywordLength) != 0) ++line;
    if (line == lines.size()) return false;

    const char* number = lines[line] + kSizeKeywordLength;
    char* end = nullptr;
    long n = std::strtol(number, &end, 10);
    if (end == number || n < 1 || n > kMaxSize) return false;
    ++line;

    float rgb[3];
    while (line < lines.size() && !ReadTriple(lines[line], rgb)) ++line;  // titles, domains, comments
    const size_t entries = size_t(n) * size_t(n) * size_t(n);
    if (lines.size() - line < entries) return false;

    texels_.resize(entries * 4);
    for (size_t i = 0; i < entries; ++i, ++line) {
        if (!ReadTriple(lines[line], rgb)) return false;
        uint8_t* texel = &texels_[i * 4];
        texel[0] = ToByte(rgb[0]);
        texel[1] = ToByte(rgb[1]);
        texel[2] = ToByte(rgb[2]);
        texel[3] = 255;
    }
    size_ = int(n);
    return true;
}
