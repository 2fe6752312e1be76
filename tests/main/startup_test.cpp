// The whole start-up, run as the real executable in a scratch working directory.
#include <gtest/gtest.h>

#include <regex>

#include "main/childprocess.h"

namespace {

using childtest::ChildResult;
using childtest::Lines;
using childtest::RunPlayer;
using childtest::ScratchDir;

// Variables that would give the child a display; without them no box can block a test.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY"};

// A ZIP archive of stored (uncompressed) entries, enough for the file system to mount.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& files) {
    auto crc32 = [](const std::string& bytes) {
        uint32_t crc = 0xFFFFFFFFu;
        for (unsigned char b : bytes) {
            crc ^= b;
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    auto u16 = [](std::string& out, uint32_t v) { out += char(v & 0xFF), out += char((v >> 8) & 0xFF); };
    auto u32 = [&](std::string& out, uint32_t v) { u16(out, v & 0xFFFF), u16(out, v >> 16); };
    std::string archive, directory;
    for (const auto& [name, bytes] : files) {
        uint32_t offset = uint32_t(archive.size()), crc = crc32(bytes), size = uint32_t(bytes.size());
        u32(archive, 0x04034b50), u16(archive, 10), u16(archive, 0), u16(archive, 0), u16(archive, 0),
            u16(archive, 0x21), u32(archive, crc), u32(archive, size), u32(archive, size),
            u16(archive, uint32_t(name.size())), u16(archive, 0);
        archive += name + bytes;
        u32(directory, 0x02014b50), u16(directory, 20), u16(directory, 10), u16(directory, 0),
            u16(directory, 0), u16(directory, 0), u16(directory, 0x21), u32(directory, crc),
            u32(directory, size), u32(directory, size), u16(directory, uint32_t(name.size())), u16(directory, 0),
            u16(directory, 0), u16(directory, 0), u16(directory, 0), u32(directory, 0), u32(directory, offset);
        directory += name;
    }
    uint32_t directoryOffset = uint32_t(archive.size());
    archive += directory;
    u32(archive, 0x06054b50), u16(archive, 0), u16(archive, 0), u16(archive, uint32_t(files.size())),
        u16(archive, uint32_t(files.size())), u32(archive, uint32_t(directory.size())), u32(archive, directoryOffset),
        u16(archive, 0);
    return archive;
}

// The message part of each log line (after the 22-character time and 43-character column).
std::vector<std::string> Messages(const std::string& log) {
    std::vector<std::string> messages;
    for (const std::string& line : Lines(log))
        if (line.size() > 65) messages.push_back(line.substr(65));
    return messages;
}

// Index of the first message at or after `from` that starts with `prefix`, or -1.
int Find(const std::vector<std::string>& messages, const std::string& prefix, int from = 0) {
    for (int i = std::max(from, 0); i < int(messages.size()); ++i)
        if (messages[i].rfind(prefix, 0) == 0) return i;
    return -1;
}

void ExpectWellFormedLog(const std::string& log) {
    static const std::regex kLine(R"(^\[\d{8}T\d{6}\.\d{3}Z\]\[.{40}\] .+$)");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    for (const std::string& line : Lines(log)) EXPECT_TRUE(std::regex_match(line, kLine)) << line;
}

TEST(StartUp, HeadlessRunWithDataFolderLogsTheSequence) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "bundled show\n");
    ChildResult result = RunPlayer(dir, {"-headless", "-frames", "3"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;

    std::string log = dir.Read("Lumivane.log");
    ExpectWellFormedLog(log);
    std::vector<std::string> messages = Messages(log);
    int archive = Find(messages, "Mounted archive: ");
    ASSERT_GE(archive, 0) << log;
    // No demo.dat here: the line carries the file system's reason.
    EXPECT_NE(messages[archive], "Mounted archive: (null)");
    int directory = Find(messages, "Mounted directory: ", archive + 1);
    ASSERT_GT(directory, archive) << log;
    EXPECT_EQ(messages[directory], "Mounted directory: (null)");

    int at = directory;
    // Headless runs are never full-screen.
    for (const char* line : {"Config.FullScreen = 0", "Config.AntiAlias = 0", "Config.AlwaysOnTop = 1",
                             "Config.Resolution = 2"}) {
        int next = Find(messages, line, at + 1);
        ASSERT_GT(next, at) << line << "\n" << log;
        EXPECT_EQ(messages[next], line);
        at = next;
    }
    int card = Find(messages, "Video card is '", at + 1);
    ASSERT_GT(card, at) << log;
    EXPECT_TRUE(std::regex_match(messages[card], std::regex(R"(Video card is '.*' with \d+MB)"))) << messages[card];
    int aa = Find(messages, "AA turned off by the user", card + 1);
    ASSERT_GT(aa, card) << log;
    int graphics = Find(messages, "Initialised graphics", aa + 1);
    ASSERT_GT(graphics, aa) << log;
    int windowed = Find(messages, "Starting windowed", graphics + 1);
    EXPECT_GT(windowed, graphics) << log;
    int loop = Find(messages, "Starting main loop", graphics + 1);
    ASSERT_GT(loop, graphics) << log;
    EXPECT_GT(Find(messages, "Exited main loop", loop + 1), loop) << log;
}

TEST(StartUp, NoDataEndsWithTheMessage) {
    ScratchDir dir;
    ChildResult result = RunPlayer(dir, {"-headless"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("NO DATA = NO DEMO"), std::string::npos) << result.err;
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    int archive = Find(messages, "Mounted archive: ");
    int directory = Find(messages, "Mounted directory: ");
    ASSERT_GE(archive, 0);
    ASSERT_GT(directory, archive);
    EXPECT_NE(messages[archive], "Mounted archive: (null)");
    EXPECT_NE(messages[directory], "Mounted directory: (null)");
    EXPECT_EQ(Find(messages, "Config."), -1);
}

TEST(StartUp, NoDisplayCannotShowTheDialog) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    ChildResult result = RunPlayer(dir, {"-windowed"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 255);
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    EXPECT_GE(Find(messages, "Error running setup dialog"), 0);
    EXPECT_EQ(Find(messages, "Config."), -1);
    // stderr tells how to run without a display.
    EXPECT_NE(result.err.find("-headless"), std::string::npos) << result.err;
}

TEST(StartUp, NoDisplayWithoutDialogCannotOpenTheWindow) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    ChildResult result = RunPlayer(dir, {"-skipsettings", "-windowed"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("INIT FAIL"), std::string::npos) << result.err;
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    // The configuration is logged before the window is tried.
    EXPECT_GE(Find(messages, "Config.Resolution = 2"), 0);
    EXPECT_EQ(Find(messages, "Initialised graphics"), -1);
}

TEST(StartUp, GarbageArchiveBesideDataFolderStillStarts) {
    ScratchDir dir;
    dir.Write("demo.dat", std::string(4096, '\x5a'));
    dir.Write("data/readme.txt", "x");
    ChildResult result = RunPlayer(dir, {"-headless", "-frames", "2"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    int archive = Find(messages, "Mounted archive: ");
    ASSERT_GE(archive, 0);
    EXPECT_NE(messages[archive], "Mounted archive: (null)");
    EXPECT_GT(messages[archive].size(), std::string("Mounted archive: ").size());
    EXPECT_GE(Find(messages, "Mounted directory: (null)"), 0);
    EXPECT_GE(Find(messages, "Initialised graphics"), 0);
}

TEST(StartUp, GoodArchiveWithBrokenDataFolderStillStarts) {
    ScratchDir dir;
    dir.Write("demo.dat", MakeZip({{"demo.xml", "<demo/>"}, {"shaders/a.fx", "float4 PS() : SV_Target { return 1; }"}}));
    dir.Write("data", "a file where the folder should be");
    ChildResult result = RunPlayer(dir, {"-headless", "-frames", "2"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    EXPECT_GE(Find(messages, "Mounted archive: (null)"), 0);
    int directory = Find(messages, "Mounted directory: ");
    ASSERT_GE(directory, 0);
    EXPECT_NE(messages[directory], "Mounted directory: (null)");
    EXPECT_GE(Find(messages, "Initialised graphics"), 0);
}

TEST(StartUp, SmallResolutionAndSwitchesReachTheConfigLines) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    ChildResult result = RunPlayer(dir, {"-headless", "-AA", "-NotOnTop", "-LowRes", "-frames", "1"}, kNoDisplay);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> messages = Messages(dir.Read("Lumivane.log"));
    EXPECT_GE(Find(messages, "Config.AntiAlias = 1"), 0);
    EXPECT_GE(Find(messages, "Config.AlwaysOnTop = 0"), 0);
    EXPECT_GE(Find(messages, "Config.Resolution = 1"), 0);
    EXPECT_EQ(Find(messages, "AA turned off by the user"), -1);
}

}  // namespace
