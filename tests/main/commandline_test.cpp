// Command-line parsing: defaults, case-insensitive substring matching, the demo file name
// and the switches added for Linux.
#include <gtest/gtest.h>

#include "main/commandline.h"

namespace {

CommandLine Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, EmptyLineGivesDefaults) {
    CommandLine line = Parse({});
    EXPECT_TRUE(line.config.FullScreen);
    EXPECT_FALSE(line.config.AntiAlias);
    EXPECT_TRUE(line.config.AlwaysOnTop);
    EXPECT_EQ(line.config.Resolution, 2);
    EXPECT_EQ(line.demoFile, "demo.xml");
    EXPECT_FALSE(line.transport);
    EXPECT_FALSE(line.silent);
    EXPECT_FALSE(line.video);
    EXPECT_FALSE(line.skipSettings);
    EXPECT_FALSE(line.toggleKeys);
    EXPECT_FALSE(line.headless);
    EXPECT_FALSE(line.check);
    EXPECT_EQ(line.frames, 0);
    EXPECT_FALSE(line.framesInvalid);
}

TEST(CommandLine, EverySwitchSetsItsChoice) {
    CommandLine line = Parse({"-notontop", "-silent", "-video", "-skipsettings", "-transport", "-windowed",
                              "-aa", "-togglekeys", "-lowres", "-headless", "-check"});
    EXPECT_FALSE(line.config.FullScreen);
    EXPECT_TRUE(line.config.AntiAlias);
    EXPECT_FALSE(line.config.AlwaysOnTop);
    EXPECT_EQ(line.config.Resolution, 1);
    EXPECT_TRUE(line.transport);
    EXPECT_TRUE(line.silent);
    EXPECT_TRUE(line.video);
    EXPECT_TRUE(line.skipSettings);
    EXPECT_TRUE(line.toggleKeys);
    EXPECT_TRUE(line.headless);
    EXPECT_TRUE(line.check);
}

TEST(CommandLine, SwitchesIgnoreLetterCase) {
    CommandLine line = Parse({"-LowRes", "-WINDOWED"});
    EXPECT_EQ(line.config.Resolution, 1);
    EXPECT_FALSE(line.config.FullScreen);
    EXPECT_TRUE(line.config.AlwaysOnTop);
}

TEST(CommandLine, SwitchesMatchAsSubstrings) {
    // -videos holds -video; -aardvark holds -aa; the order of switches does not matter.
    CommandLine line = Parse({"-videos", "x-aardvark", "-skipsettingsplease"});
    EXPECT_TRUE(line.video);
    EXPECT_TRUE(line.config.AntiAlias);
    EXPECT_TRUE(line.skipSettings);
    // Two switches glued together in one argument both count.
    CommandLine glued = Parse({"-windowed-silent"});
    EXPECT_FALSE(glued.config.FullScreen);
    EXPECT_TRUE(glued.silent);
}

TEST(CommandLine, UnknownSwitchesAreIgnored) {
    CommandLine line = Parse({"-fullspeed", "--help", "whatever", "-x"});
    EXPECT_TRUE(line.config.FullScreen);
    EXPECT_EQ(line.config.Resolution, 2);
    EXPECT_EQ(line.demoFile, "demo.xml");
    EXPECT_FALSE(line.video);
    EXPECT_EQ(line.frames, 0);
}

TEST(CommandLine, DemoFileIsTheNextArgumentWithItsCase) {
    CommandLine line = Parse({"-demofile", "Shows/Test.xml", "-windowed"});
    EXPECT_EQ(line.demoFile, "Shows/Test.xml");
    EXPECT_FALSE(line.config.FullScreen);

    // The switch itself may be written in any case; the name keeps its own.
    EXPECT_EQ(Parse({"-DemoFile", "My.XML"}).demoFile, "My.XML");
    // A name with blanks, passed as one argument, stays whole.
    EXPECT_EQ(Parse({"-demofile", "my show.xml", "-aa"}).demoFile, "my show.xml");
    // One argument holding the switch and the name, as from a script that quotes both.
    EXPECT_EQ(Parse({"-demofile other.xml"}).demoFile, "other.xml");
    // Later switches are not swallowed into the name.
    CommandLine later = Parse({"-demofile", "a.xml", "-lowres", "-transport"});
    EXPECT_EQ(later.demoFile, "a.xml");
    EXPECT_EQ(later.config.Resolution, 1);
    EXPECT_TRUE(later.transport);
}

TEST(CommandLine, DemoFileWithoutNameKeepsTheDefault) {
    // "-demofile " needs its blank: nothing follows the last argument.
    EXPECT_EQ(Parse({"-demofile"}).demoFile, "demo.xml");
    EXPECT_EQ(Parse({"-windowed", "-demofile"}).demoFile, "demo.xml");
    // An empty argument after it names nothing either.
    EXPECT_EQ(Parse({"-demofile", "", "-aa"}).demoFile, "demo.xml");
}

TEST(CommandLine, DemoFileNameStillCountsForSubstrings) {
    // Switch texts inside the name count, as everywhere on the line.
    CommandLine line = Parse({"-demofile", "show-aa.xml"});
    EXPECT_EQ(line.demoFile, "show-aa.xml");
    EXPECT_TRUE(line.config.AntiAlias);
}

TEST(CommandLine, FramesTakesTheCountAfterIt) {
    EXPECT_EQ(Parse({"-frames", "30"}).frames, 30);
    EXPECT_EQ(Parse({"-headless", "-FRAMES", "7", "-video"}).frames, 7);
    EXPECT_EQ(Parse({"-frames12"}).frames, 12);
    EXPECT_FALSE(Parse({"-frames", "30"}).framesInvalid);
}

TEST(CommandLine, FramesWithoutAPositiveCountIsFlagged) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"-frames"}, {"-frames", "abc"}, {"-frames", "0"},
                                               {"-frames", "-5"}, {"-frames", "99999999999999"}}) {
        CommandLine line = Parse(arguments);
        EXPECT_EQ(line.frames, 0) << arguments.back();
        EXPECT_TRUE(line.framesInvalid) << arguments.back();
    }
}

TEST(CommandLine, ArgvSkipsTheProgramName) {
    char program[] = "/usr/bin/-windowed";
    char aa[] = "-aa";
    char* argv[] = {program, aa, nullptr};
    CommandLine line = ParseCommandLine(2, argv);
    EXPECT_TRUE(line.config.FullScreen);
    EXPECT_TRUE(line.config.AntiAlias);
}

}  // namespace
