// "lumivane --help".
#include <gtest/gtest.h>

#include "main/childprocess.h"
#include "main/usage.h"

namespace {

TEST(Usage, HelpArgumentsAreWholeWordsInAnyCase) {
    for (const char* yes : {"-h", "-H", "--help", "--HELP", "-help", "-?"}) EXPECT_TRUE(IsHelpArgument(yes)) << yes;
    for (const char* no : {"-headless", "-hh", "help", "", "--helpme"}) EXPECT_FALSE(IsHelpArgument(no)) << no;
    EXPECT_FALSE(IsHelpArgument(nullptr));
}

TEST(Usage, HelpPrintsSwitchesAndKeysAndExitsWithoutStarting) {
    for (const char* argument : {"--help", "-h"}) {
        childtest::ScratchDir dir;  // no data: a real start would fail with status 255
        childtest::ChildResult result = childtest::RunPlayer(dir, {"-windowed", argument}, {"DISPLAY", "WAYLAND_DISPLAY"}, 30);
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(result.status, 0) << argument;
        for (const char* text : {"-headless", "-videofile NAME", "-frames N", "Escape", "F1", "F11", "preview.mp4"})
            EXPECT_NE(result.out.find(text), std::string::npos) << argument << " lacks " << text;
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Lumivane.log")) << argument;
    }
}

}  // namespace
