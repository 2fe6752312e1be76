#pragma once
// Collects the log's message pieces while it lives, for tests that check what was logged.
#include <string>
#include <vector>

#include "system/log.h"

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    struct Entry {
        std::string function;
        std::string message;
    };
    const std::vector<Entry>& Entries() const { return entries_; }
    // Number of pieces equal to message.
    int Count(const std::string& message) const;
    // Number of pieces containing text.
    int CountContaining(const std::string& text) const;
    void Clear() { entries_.clear(); }

private:
    static void Observe(std::string_view function, std::string_view piece, void* user);
    std::vector<Entry> entries_;
};
