#pragma once
// The process-wide diagnostic log: "Lumivane.log" in the write directory plus stderr.
// Every line is a UTC timestamp, a 43-character column naming the logging site
// (file@line function), and one piece of the message.
#include <array>
#include <cstddef>
#include <string_view>

// Stores the context of the next Log call: source file, line, qualified function name.
void SetLogContext(const char* file, int line, const char* function);
// printf-style message, written with the stored context. Never fails visibly.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
// SetLogContext + Log as one step, safe against other threads logging at the same time.
void LogAt(const char* file, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Receives every message piece (the text after the prefix, without the newline) as it is
// logged, on the logging thread. Used by tests and by "-check" to collect problems.
using LogObserver = void (*)(std::string_view function, std::string_view piece, void* user);
void SetLogObserver(LogObserver observer, void* user);

namespace logdetail {
// Reduces a compiler's pretty function signature ("bool Effects::Bloom::Init(float, ...)")
// to the qualified name ("Effects::Bloom::Init"), at compile time.
// The parameter list is the last parenthesis that opens at the top level of [lo, hi).
constexpr std::size_t LastTopLevelParen(const char* s, std::size_t lo, std::size_t hi) {
    std::size_t open = hi;
    int angle = 0, paren = 0, bracket = 0;
    for (std::size_t i = lo; i < hi; ++i) {
        char c = s[i];
        if (c == '<') ++angle;
        else if (c == '>') --angle;
        else if (c == '[') ++bracket;
        else if (c == ']') --bracket;
        else if (c == ')') --paren;
        else if (c == '(') {
            if (paren == 0 && angle <= 0 && bracket == 0) open = i;
            ++paren;
        }
    }
    return open;
}

template <std::size_t N>
constexpr std::array<char, N> QualifiedName(const char (&pretty)[N]) {
    std::array<char, N> out{};
    std::size_t lo = 0, hi = N - 1;
    std::size_t open = LastTopLevelParen(pretty, lo, hi);
    // A function returning a function pointer reads "R (* name(args))(args)": look inside.
    while (open != hi && open > lo && pretty[open - 1] == ')') {
        int depth = 0;
        std::size_t match = open - 1;
        for (std::size_t i = open; i-- > lo;) {
            if (pretty[i] == ')') ++depth;
            else if (pretty[i] == '(' && --depth == 0) {
                match = i;
                break;
            }
        }
        lo = match + 1;
        hi = open - 1;
        open = LastTopLevelParen(pretty, lo, hi);
    }
    if (open == hi) {
        for (std::size_t i = 0; i < N; ++i) out[i] = pretty[i];
        return out;
    }
    std::size_t begin = lo;
    int depth = 0;
    for (std::size_t i = open; i-- > lo;) {
        char c = pretty[i];
        if (c == '>' || c == ')') ++depth;
        else if (c == '<' || c == '(') --depth;
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
            begin = i + 1;
            break;
        }
    }
    std::size_t n = 0;
    for (std::size_t i = begin; i < open; ++i) out[n++] = pretty[i];
    out[n] = '\0';
    return out;
}
}  // namespace logdetail

#define LOG(...)                                                                              \
    do {                                                                                      \
        static constexpr auto lvLogFunction_ = ::logdetail::QualifiedName(__PRETTY_FUNCTION__); \
        LogAt(__FILE__, __LINE__, lvLogFunction_.data(), __VA_ARGS__);                        \
    } while (0)
