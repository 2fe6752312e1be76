#include "graphics/gifdecoder.h"

#include <array>
#include <vector>

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

uint32_t Little16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }

// The bytes of a chain of data sub-blocks: a length byte, that many bytes, and so on up to
// an empty block.
class SubBlocks {
public:
    SubBlocks(const uint8_t* bytes, size_t size, size_t pos) : bytes_(bytes), size_(size), pos_(pos) {}

    // The next byte, or -1 at the empty block or the end of the file.
    int Next() {
        while (left_ == 0) {
            if (ended_ || pos_ >= size_) return -1;
            left_ = bytes_[pos_++];
            ended_ = left_ == 0;
        }
        if (pos_ >= size_) return -1;
        --left_;
        return bytes_[pos_++];
    }

    // Where the chain ends: just past its empty block, or the end of the file.
    size_t SkipToEnd() {
        while (Next() >= 0) {
        }
        return pos_;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_;
    uint32_t left_ = 0;
    bool ended_ = false;
};

bool Corrupt(int code, size_t written, std::string* reason) {
    if (written > 0) return true;
    *reason = "the GIF's image data is corrupt (code " + std::to_string(code) + " is not in the table)";
    return false;
}

// Expands the LZW codes in `data` into `indices` until it is full or the stream ends. A code
// the table cannot account for ends the image there, as a stream cut short does (browsers
// show such files too); false, with `reason`, when that comes before the first pixel.
bool ExpandLzw(SubBlocks& data, int minCodeSize, std::vector<uint8_t>& indices, std::string* reason) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::array<uint16_t, kTableSize> prefix{};
    std::array<uint8_t, kTableSize> suffix{};
    for (int i = 0; i < clear; ++i) suffix[i] = uint8_t(i);
    // A string is at most one character per table entry, plus one for a code not yet in it.
    std::array<uint8_t, kTableSize + 1> stack{};

    int codeSize = minCodeSize + 1, next = clear + 2;
    int previous = -1, previousFirst = 0;
    uint32_t bits = 0;
    int bitCount = 0;
    size_t written = 0;
    while (written < indices.size()) {
        while (bitCount < codeSize) {
            const int byte = data.Next();
            if (byte < 0) return true;  // the stream ends early
            bits |= uint32_t(byte) << bitCount;
            bitCount += 8;
        }
        const int code = int(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) return true;
        if (previous < 0) {  // the first code after a clear stands for one pixel
            if (code > clear) return Corrupt(code, written, reason);
            indices[written++] = uint8_t(code);
            previous = previousFirst = code;
            continue;
        }
        if (code > next) return Corrupt(code, written, reason);

        // Walk the string back to its first character; a code not yet in the table is the
        // previous string followed by its own first character.
        size_t depth = 0;
        int entry = code;
        if (code == next) {
            stack[depth++] = uint8_t(previousFirst);
            entry = previous;
        }
        while (entry > end) {  // prefixes always point at smaller codes, so this ends
            stack[depth++] = suffix[entry];
            entry = prefix[entry];
        }
        stack[depth++] = uint8_t(entry);
        const int first = entry;

        if (next < kTableSize) {
            prefix[next] = uint16_t(previous);
            suffix[next] = uint8_t(first);
            ++next;
            if (next == (1 << codeSize) && codeSize < kMaxCodeBits) ++codeSize;
        }
        previous = code;
        previousFirst = first;
        while (depth > 0 && written < indices.size()) indices[written++] = stack[--depth];
    }
    return true;
}

// The order in which an interlaced image stores its rows: every 8th from 0, every 8th from
// 4, every 4th from 2, every 2nd from 1.
std::vector<uint32_t> RowOrder(uint32_t height, bool interlaced) {
    std::vector<uint32_t> rows;
    rows.reserve(height);
    if (!interlaced) {
        for (uint32_t y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    constexpr uint32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (uint32_t y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

}  // namespace

bool DecodeGif(const uint8_t* b, size_t size, DecodedImage* image, std::string* reason) {
    if (size < 13) {
        *reason = "the GIF header is truncated";
        return false;
    }
    // Colours default to black: a file without a colour table still shows its shapes.
    std::array<uint8_t, 256 * 3> palette{};
    size_t pos = 13;
    auto readColourTable = [&](uint8_t flags) {
        if (!(flags & 0x80)) return true;
        const size_t entries = size_t(2) << (flags & 7);
        if (pos + entries * 3 > size) return false;
        std::copy(b + pos, b + pos + entries * 3, palette.begin());
        pos += entries * 3;
        return true;
    };
    if (!readColourTable(b[10])) {
        *reason = "the GIF's colour table is truncated";
        return false;
    }

    int transparent = -1;
    // Bytes that start neither an image nor an extension are skipped, as other readers do.
    while (pos < size && b[pos] != ';') {
        const uint8_t introducer = b[pos++];
        if (introducer == '!') {
            if (pos >= size) break;
            const uint8_t label = b[pos++];
            // Graphic control: block size 4, flags, delay, transparent colour.
            if (label == 0xF9 && pos + 5 <= size && b[pos] >= 4)
                transparent = (b[pos + 1] & 1) ? b[pos + 4] : -1;
            pos = SubBlocks(b, size, pos).SkipToEnd();
            continue;
        }
        if (introducer != ',') continue;

        // Image descriptor: left, top, width, height, flags.
        if (pos + 9 > size) break;
        const uint32_t width = Little16(b + pos + 4), height = Little16(b + pos + 6);
        const uint8_t flags = b[pos + 8];
        pos += 9;
        if (width == 0 || height == 0) {
            *reason = "the GIF image declares " + std::to_string(width) + " × " + std::to_string(height) + " pixels";
            return false;
        }
        if (!readColourTable(flags)) {
            *reason = "the GIF's colour table is truncated";
            return false;
        }
        if (pos >= size) break;
        const int minCodeSize = b[pos++];
        if (minCodeSize < 2 || minCodeSize > 8) {
            *reason = "the GIF's LZW code size " + std::to_string(minCodeSize) + " is not 2 to 8";
            return false;
        }

        std::vector<uint8_t> indices(size_t(width) * height, 0);
        SubBlocks data(b, size, pos);
        if (!ExpandLzw(data, minCodeSize, indices, reason)) return false;

        image->width = width;
        image->height = height;
        image->rgba.assign(indices.size() * 4, 0);
        const std::vector<uint32_t> rows = RowOrder(height, flags & 0x40);
        for (uint32_t row = 0; row < height; ++row) {
            const uint8_t* from = indices.data() + size_t(row) * width;
            uint8_t* to = image->rgba.data() + size_t(rows[row]) * width * 4;
            for (uint32_t x = 0; x < width; ++x, to += 4) {
                const uint8_t* colour = palette.data() + from[x] * 3;
                to[0] = colour[0];
                to[1] = colour[1];
                to[2] = colour[2];
                to[3] = from[x] == transparent ? 0 : 255;
            }
        }
        return true;
    }
    *reason = "the GIF holds no image";
    return false;
}
