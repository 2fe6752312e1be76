#include "system/log.h"

#include <physfs.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

constexpr std::size_t kTimestampCapacity = 32;
constexpr std::size_t kContextCapacity = 256;
constexpr std::size_t kMessageCapacity = 1024;
constexpr std::size_t kContextColumn = 40;

struct LogState {
    std::string contextFile;
    int contextLine = 0;
    std::string contextFunction;
    PHYSFS_File* file = nullptr;
    bool openAttempted = false;
    LogObserver observer = nullptr;
    void* observerUser = nullptr;
};

LogState& State() {
    static LogState state;
    return state;
}

// Worker threads (audio, video encoding) may log too; one lock keeps lines whole.
std::recursive_mutex& Lock() {
    static std::recursive_mutex lock;
    return lock;
}

void Emit(const char* text, std::size_t length) {
    LogState& s = State();
    std::fwrite(text, 1, length, stderr);
    if (!s.file && !s.openAttempted) {
        s.openAttempted = true;
        // Before the file system is up the one attempt fails, as a missing directory would.
        if (PHYSFS_isInit()) s.file = PHYSFS_openWrite("Lumivane.log");
    }
    if (s.file) {
        PHYSFS_writeBytes(s.file, text, length);
        PHYSFS_flush(s.file);
    }
}

void FormatTimestamp(char (&out)[kTimestampCapacity]) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    std::snprintf(out, sizeof(out), "[%04d%02d%02dT%02d%02d%02d.%03dZ]", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(now.tv_nsec / 1000000));
}

// "[" + context right-aligned in 40 columns, or its last 40 characters, + "] ".
std::string FormatPrefix(const LogState& s) {
    char context[kContextCapacity + 1];  // 256 characters and the terminator
    std::snprintf(context, sizeof(context), "%s@%d %s", s.contextFile.c_str(), s.contextLine,
                  s.contextFunction.c_str());
    std::size_t length = std::strlen(context);
    std::string prefix = "[";
    if (length > kContextColumn) {
        prefix.append(context + (length - kContextColumn), kContextColumn);
    } else {
        prefix.append(kContextColumn - length, ' ');
        prefix.append(context, length);
    }
    prefix += "] ";
    return prefix;
}

void LogV(const char* format, va_list args) {
    LogState& s = State();
    char timestamp[kTimestampCapacity];
    FormatTimestamp(timestamp);
    std::string prefix = FormatPrefix(s);

    char message[kMessageCapacity + 1];
    int written = std::vsnprintf(message, sizeof(message), format, args);
    if (written < 0) return;
    message[kMessageCapacity] = '\0';  // vsnprintf keeps the first 1024 characters

    const char* cursor = message;
    while (*cursor) {
        const char* end = std::strchr(cursor, '\n');
        std::size_t length = end ? static_cast<std::size_t>(end - cursor) : std::strlen(cursor);
        if (length > 0) {
            Emit(timestamp, std::strlen(timestamp));
            Emit(prefix.data(), prefix.size());
            Emit(cursor, length);
            Emit("\n", 1);
            if (s.observer) s.observer(s.contextFunction, std::string_view(cursor, length), s.observerUser);
        }
        if (!end) break;
        cursor = end + 1;
    }
}

}  // namespace

void SetLogContext(const char* file, int line, const char* function) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    LogState& s = State();
    s.contextFile = file ? file : "";
    s.contextLine = line;
    s.contextFunction = function ? function : "";
}

void Log(const char* format, ...) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    va_list args;
    va_start(args, format);
    LogV(format, args);
    va_end(args);
}

void LogAt(const char* file, int line, const char* function, const char* format, ...) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    SetLogContext(file, line, function);
    va_list args;
    va_start(args, format);
    LogV(format, args);
    va_end(args);
}

void SetLogObserver(LogObserver observer, void* user) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    State().observer = observer;
    State().observerUser = user;
}
