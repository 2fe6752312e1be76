// The log's byte layout: timestamp, 43-character prefix, message pieces split at newlines.
#include <gtest/gtest.h>
#include <physfs.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "system/log.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "every line ends in a line feed";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Prefix(const std::string& line) { return line.substr(22, 43); }
std::string Piece(const std::string& line) { return line.substr(65); }

struct TempWriteDir {
    fs::path dir;
    TempWriteDir() {
        dir = fs::temp_directory_path() / ("lumivane_log_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        PHYSFS_init(nullptr);
        PHYSFS_setWriteDir(dir.c_str());
    }
    ~TempWriteDir() {
        PHYSFS_deinit();
        fs::remove_all(dir);
    }
};

}  // namespace

TEST(Log, QualifiedNameComesFromTheSignature) {
    EXPECT_STREQ(logdetail::QualifiedName("bool Effects::Bloom::Init(float, float, ProgressCallback)").data(),
                 "Effects::Bloom::Init");
    EXPECT_STREQ(logdetail::QualifiedName("int main()").data(), "main");
    EXPECT_STREQ(logdetail::QualifiedName("static void ns::A::g()").data(), "ns::A::g");
    EXPECT_STREQ(logdetail::QualifiedName("Effects::Bloom::Bloom()").data(), "Effects::Bloom::Bloom");
    EXPECT_STREQ(logdetail::QualifiedName("std::vector<int> ns::f(int)").data(), "ns::f");
    EXPECT_STREQ(logdetail::QualifiedName("ns::A::g()::<lambda()>").data(), "ns::A::g");
    EXPECT_STREQ(logdetail::QualifiedName("double (* Params::GetEaseFunction(const std::string&))(double)").data(),
                 "Params::GetEaseFunction");
}

TEST(Log, FileLayoutSplittingAndCuts) {
    TempWriteDir temp;
    SetLogContext("main", 7, "WinMain");
    Log("Mounted archive: %s\n", "not found");
    Log("a\n\nb");
    Log("\n\n\n");
    Log("%s", "");
    SetLogContext("source/effects/effect", 100, "Effects::Effect::InitEffects");
    Log("long context");
    SetLogContext("abcdefghijklmnopqrstuvwxyz01234567", 1, "f");  // 34 + "@1 f" = 38 characters
    Log("thirty-eight");
    SetLogContext("abcdefghijklmnopqrstuvwxyz0123456789", 1, "f");  // 36 + 4 = 40 characters
    Log("forty");
    SetLogContext("abcdefghijklmnopqrstuvwxyz0123456789X", 1, "f");  // 41 characters
    Log("forty-one");
    std::string big(1500, 'x');
    Log("%s", big.c_str());

    std::vector<std::string> lines = ReadLines(temp.dir / "Lumivane.log");
    ASSERT_EQ(lines.size(), 8u);
    std::regex layout(R"(^\[\d{8}T\d{6}\.\d{3}Z\]\[.{40}\] .*$)");
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, layout)) << line;

    EXPECT_EQ(Prefix(lines[0]), "[" + std::string(26, ' ') + "main@7 WinMain] ");
    EXPECT_EQ(Piece(lines[0]), "Mounted archive: not found");
    EXPECT_EQ(Piece(lines[1]), "a");
    EXPECT_EQ(Piece(lines[2]), "b");
    EXPECT_EQ(lines[1].substr(0, 65), lines[2].substr(0, 65)) << "pieces of one call share timestamp and prefix";
    EXPECT_EQ(Prefix(lines[3]), "[/effect@100 Effects::Effect::InitEffects] ");
    EXPECT_EQ(Prefix(lines[4]), "[  abcdefghijklmnopqrstuvwxyz01234567@1 f] ");
    EXPECT_EQ(Prefix(lines[5]), "[abcdefghijklmnopqrstuvwxyz0123456789@1 f] ");
    EXPECT_EQ(Prefix(lines[6]), "[bcdefghijklmnopqrstuvwxyz0123456789X@1 f] ");
    EXPECT_EQ(Piece(lines[7]), std::string(1024, 'x'));
}

TEST(Log, TimestampIsUtc) {
    TempWriteDir temp;
    setenv("TZ", "Etc/GMT-2", 1);  // UTC+2
    tzset();
    time_t before = time(nullptr);
    Log("tick");
    std::vector<std::string> lines = ReadLines(temp.dir / "Lumivane.log");
    ASSERT_EQ(lines.size(), 1u);
    tm utc{};
    gmtime_r(&before, &utc);
    char hour[3];
    std::snprintf(hour, sizeof(hour), "%02d", utc.tm_hour);
    EXPECT_EQ(lines[0].substr(10, 2), hour) << lines[0];
}

TEST(Log, UnwritableDirectoryLogsToStderrOnlyAndNeverRetries) {
    PHYSFS_init(nullptr);  // no write directory: opening the log fails
    Log("first");
    fs::path dir = fs::temp_directory_path() / ("lumivane_log_retry_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    PHYSFS_setWriteDir(dir.c_str());
    Log("second");
    EXPECT_FALSE(fs::exists(dir / "Lumivane.log")) << "a failed open is not retried";
    PHYSFS_deinit();
    fs::remove_all(dir);
}

TEST(Log, MacroRecordsTheQualifiedFunction) {
    struct Probe {
        static std::string Run() {
            std::string seen;
            SetLogObserver([](std::string_view function, std::string_view, void* user) {
                *static_cast<std::string*>(user) = std::string(function);
            }, &seen);
            LOG("hello %d", 1);
            SetLogObserver(nullptr, nullptr);
            return seen;
        }
    };
    EXPECT_NE(Probe::Run().find("Probe::Run"), std::string::npos);
}

// The context text is cut at 256 characters, and the prefix shows the last 40 of those.
TEST(Log, OverlongContextIsCutAt256CharactersBeforeThePrefixIsTaken) {
    const std::string shown = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
    const std::string file = std::string(216, '-') + shown + std::string(44, '~');
    SetLogContext(file.c_str(), 1, "f");
    testing::internal::CaptureStderr();
    Log("cut");
    const std::string line = testing::internal::GetCapturedStderr();
    ASSERT_GE(line.size(), 65u) << line;
    EXPECT_EQ(Prefix(line), "[" + shown + "] ");
}
