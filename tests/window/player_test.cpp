// The player with its window on a real X display, as a child process.
#include <gtest/gtest.h>

#include "main/childprocess.h"

namespace {

using childtest::ChildResult;
using childtest::RunPlayer;
using childtest::ScratchDir;

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

}  // namespace
