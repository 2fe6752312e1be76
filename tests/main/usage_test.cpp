// "lumivane --help" and the preview's progress line.
#include <gtest/gtest.h>

#include "main/childprocess.h"
#include "main/preview.h"
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

TEST(Usage, ProgressLineCountsDownTheTimeLeft) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    ASSERT_NE(memory, nullptr);
    FILE* saved = stderr;
    stderr = memory;
    PrintRecordingProgress(0, 300, 0.0);
    PrintRecordingProgress(150, 300, 60.0);  // 0.4 s a frame: 60 s left
    PrintRecordingProgress(300, 300, 120.0);
    stderr = saved;
    std::fclose(memory);
    const std::string text(buffer, size);
    std::free(buffer);
    EXPECT_NE(text.find("[---"), std::string::npos) << text;
    EXPECT_NE(text.find(" 50%  1:00 left"), std::string::npos) << text;
    EXPECT_NE(text.find("100%  0:00 left \n"), std::string::npos) << text;
}

}  // namespace
