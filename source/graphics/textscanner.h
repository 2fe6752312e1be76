#pragma once
// Line-by-line reading of model text files, with the matching rules of scanf patterns
// ("%d", "%f", "%s", blanks, literal characters) but without locale, copies or
// zero-termination: every read stays inside [begin, end).
#include <cstddef>
#include <cstdint>
#include <string>

namespace text {

// Longest name kept from a "%s" word; longer words are cut to this length.
constexpr size_t kMaxNameLength = 255;

// Blank in the sense of scanf: space, tab, line feed, vertical tab, form feed, return.
inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Calls visit(begin, end) for every non-empty line of the text. Lines end at "\n"; a
// leading UTF-8 byte-order mark and the spaces and tabs that indent a line are skipped.
template <typename Visit>
void ForEachLine(const char* text, size_t size, Visit&& visit) {
    const char* p = text;
    const char* const end = text + size;
    if (size >= 3 && uint8_t(p[0]) == 0xEF && uint8_t(p[1]) == 0xBB && uint8_t(p[2]) == 0xBF) p += 3;
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n') ++lineEnd;
        const char* start = p;
        while (start < lineEnd && (*start == ' ' || *start == '\t')) ++start;
        if (start < lineEnd) visit(start, lineEnd);
        p = lineEnd + 1;
    }
}

// A cursor over one line that reads the way scanf would.
class Scanner {
public:
    Scanner(const char* begin, const char* end) : p_(begin), end_(end) {}

    // A blank in a pattern: skips any number of blanks, including none.
    void SkipSpace() {
        while (p_ < end_ && IsSpace(*p_)) ++p_;
    }
    // A literal character of a pattern.
    bool Literal(char c) {
        if (p_ >= end_ || *p_ != c) return false;
        ++p_;
        return true;
    }
    // A literal word: all of its characters in order.
    bool Literal(const char* word) {
        const char* q = p_;
        for (; *word; ++word, ++q)
            if (q >= end_ || *q != *word) return false;
        p_ = q;
        return true;
    }
    // "%d": blanks, an optional sign, decimal digits. Values beyond 32 bits saturate.
    bool Int(int32_t* out);
    // "%f": blanks, then a decimal or hexadecimal float, "inf" or "nan".
    bool Float(float* out);
    // "%s": blanks, then a run of non-blank characters, kept up to kMaxNameLength.
    bool Word(std::string* out);

    const char* Position() const { return p_; }

private:
    const char* p_;
    const char* end_;
};

}  // namespace text
