#include "support/logcapture.h"

LogCapture::LogCapture() { SetLogObserver(&LogCapture::Observe, this); }

LogCapture::~LogCapture() { SetLogObserver(nullptr, nullptr); }

void LogCapture::Observe(std::string_view function, std::string_view piece, void* user) {
    static_cast<LogCapture*>(user)->entries_.push_back({std::string(function), std::string(piece)});
}

int LogCapture::Count(const std::string& message) const {
    int n = 0;
    for (const Entry& e : entries_) n += e.message == message ? 1 : 0;
    return n;
}

int LogCapture::CountContaining(const std::string& text) const {
    int n = 0;
    for (const Entry& e : entries_) n += e.message.find(text) != std::string::npos ? 1 : 0;
    return n;
}
