#include "graphics/textscanner.h"

#include <charconv>
#include <cstdlib>

namespace text {

bool Scanner::Int(int32_t* out) {
    SkipSpace();
    const char* q = p_;
    bool negative = false;
    if (q < end_ && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q >= end_ || *q < '0' || *q > '9') return false;
    int64_t value = 0;
    for (; q < end_ && *q >= '0' && *q <= '9'; ++q)
        if (value <= INT32_MAX) value = value * 10 + (*q - '0');
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    *out = int32_t(value);
    p_ = q;
    return true;
}

bool Scanner::Float(float* out) {
    SkipSpace();
    const char* q = p_;
    const char* number = q;
    if (q < end_ && *q == '+') number = ++q;
    if (q < end_ && *q == '-') ++q;
    if (number != p_ && q != number) return false;  // "+-" is no number
    const bool hex = end_ - q > 2 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X');

    float value = 0.0f;
    std::from_chars_result result = std::from_chars(number, end_, value);
    if (result.ec == std::errc::invalid_argument) return false;
    if (hex || result.ec == std::errc::result_out_of_range) {
        // Rare forms: let strtof decide, on a zero-terminated copy of what follows.
        const char* stop = number;
        while (stop < end_ && !IsSpace(*stop) && stop - number < 4096) ++stop;
        const std::string copy(number, stop);
        char* parsed = nullptr;
        value = std::strtof(copy.c_str(), &parsed);
        if (parsed == copy.c_str()) return false;
        result.ptr = number + (parsed - copy.c_str());
    }
    *out = value;
    p_ = result.ptr;
    return true;
}

bool Scanner::Word(std::string* out) {
    SkipSpace();
    const char* q = p_;
    while (q < end_ && !IsSpace(*q)) ++q;
    if (q == p_) return false;
    out->assign(p_, size_t(q - p_) > kMaxNameLength ? kMaxNameLength : size_t(q - p_));
    p_ = q;
    return true;
}

}  // namespace text
