// The player with its windows on a real X display, as a child process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "main/childprocess.h"

namespace {

using childtest::ChildResult;
using childtest::RunPlayer;
using childtest::ScratchDir;

// Types a key into the settings dialog once it shows, through the X server as a user would.
// First waits (up to 10 s) until no window of an earlier player is left on the display, so
// the dialog found is this test's. The key is typed again while a window of the player is
// still up (a press lost on a busy machine, a window going away under the focus); Return and
// Escape typed into the show's own window afterwards do no harm.
std::thread PressInDialog(const std::string& key) {
    [[maybe_unused]] int gone = std::system(
        "for i in $(seq 1 100); do xdotool search --name '^Lumivane$' >/dev/null 2>&1 || exit 0; sleep 0.1; done");
    return std::thread([key] {
        std::string command =
            "id=$(timeout 60 xdotool search --sync --name '^Lumivane$' | head -n 1); "
            "for i in $(seq 1 30); do [ -n \"$id\" ] || exit 0; sleep 0.5; "
            "xdotool windowfocus --sync \"$id\" key " + key + " 2>/dev/null; sleep 1.5; "
            "id=$(xdotool search --name '^Lumivane$' 2>/dev/null | head -n 1); done";
        [[maybe_unused]] int status = std::system(command.c_str());
    });
}

TEST(Player, WindowedRunOpensTheWindowAndEnds) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    ChildResult result = RunPlayer(dir, {"-windowed", "-skipsettings", "-lowres", "-frames", "10"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::string log = dir.Read("Lumivane.log");
    EXPECT_NE(log.find("Initialised graphics"), std::string::npos) << log;
    EXPECT_NE(log.find("Starting windowed"), std::string::npos) << log;
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
}

TEST(Player, EscapeInTheDialogEndsWithoutAWindow) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    std::thread user = PressInDialog("Escape");
    ChildResult result = RunPlayer(dir, {"-windowed", "-frames", "5"}, {}, 90);
    user.join();
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::string log = dir.Read("Lumivane.log");
    EXPECT_NE(log.find("User chose not to run.."), std::string::npos) << log;
    EXPECT_EQ(log.find("Config."), std::string::npos) << log;
}

TEST(Player, EnterInTheDialogRunsWithThePresetValues) {
    ScratchDir dir;
    dir.Write("data/readme.txt", "x");
    std::thread user = PressInDialog("Return");
    ChildResult result = RunPlayer(dir, {"-windowed", "-lowres", "-notontop", "-frames", "5"}, {}, 90);
    user.join();
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    std::string log = dir.Read("Lumivane.log");
    for (const char* line : {"Config.FullScreen = 0", "Config.AntiAlias = 0", "Config.AlwaysOnTop = 0",
                             "Config.Resolution = 1", "Starting windowed", "Exited main loop"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

}  // namespace
