// Live (headless) runs of the whole player: bad input never stops the show, the script
// reloads while it plays, and "-check" reports problems through its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "show/showfolder.h"

namespace {

using childtest::ChildResult;
using childtest::RunPlayer;
using childtest::ScratchDir;
using showtest::BackgroundPlayer;
using showtest::Count;

const std::vector<std::string> kShortLiveRun = {"-headless", "-skipsettings", "-lowres", "-frames", "10"};

struct BadShow {
    const char* name;
    const char* demoXml;          // empty: no script at all
    bool brokenComposite;         // final.fx replaced by one that does not compile
    const char* expectedLog;
};

void PrintTo(const BadShow& show, std::ostream* out) { *out << show.name; }

class BadInput : public ::testing::TestWithParam<BadShow> {};

TEST_P(BadInput, IsLoggedAndTheShowRunsToItsEnd) {
    const BadShow& show = GetParam();
    ScratchDir dir;
    showtest::MakeShow(dir, show.demoXml);
    if (show.brokenComposite) showtest::AddTestData(dir, "broken.fx", "final.fx");
    ChildResult result = RunPlayer(dir, kShortLiveRun);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string log = dir.Read("Lumivane.log");
    EXPECT_NE(log.find(show.expectedLog), std::string::npos) << log;
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Show, BadInput,
    ::testing::Values(
        BadShow{"MissingScript", "", false, "Failed to find effects manager script 'demo.xml'"},
        BadShow{"NotXml", "this is { not xml", false, "XML [demo.xml] parsed with errors"},
        BadShow{"MissingMusic", "<demo audioFilename=\"nothere.ogg\"><effect type=\"CLS\"/></demo>", false,
                "Failed to load audio file 'nothere.ogg'"},
        BadShow{"NotAShow", "<html><body/></html>", false, "Script 'demo.xml' has no demo element: it is not a show"},
        BadShow{"UnknownEffect", "<demo><effect type=\"NoSuchEffect\"/></demo>", false, "NoSuchEffect"},
        BadShow{"BrokenComposite", "<demo><effect type=\"CLS\"/></demo>", true, "compile error"}),
    [](const ::testing::TestParamInfo<BadShow>& info) { return std::string(info.param.name); });

// Replaces the script and moves its modification time forward, as an editor's save does.
void SaveScript(const ScratchDir& dir, const std::string& xml, int secondsAhead) {
    dir.Write("data/demo.xml", xml);
    showtest::Touch(dir, "data/demo.xml", secondsAhead);
}

TEST(LiveShow, ScriptReloadsWhileItPlaysAndABrokenSaveIsRecoveredFrom) {
    ScratchDir dir;
    const std::string good = showtest::SourceFile("tests/data/show/keyframed.xml");
    showtest::MakeShow(dir, good);
    // About 60 frames a second: long enough for three saves.
    BackgroundPlayer player(dir, {"-headless", "-skipsettings", "-lowres", "-frames", "100000"});
    ASSERT_TRUE(player.WaitForLog("XML [demo.xml] parsed without errors")) << player.Log();

    SaveScript(dir, "<demo><effect type=\"CLS\"></demo>", 10);
    ASSERT_TRUE(player.WaitForLog("XML [demo.xml] parsed with errors", 30)) << player.Log();
    EXPECT_TRUE(player.WaitForLog("Error description: ", 5));
    EXPECT_TRUE(player.WaitForLog("Error offset: ", 5));

    SaveScript(dir, good, 20);
    ASSERT_TRUE(player.WaitForLog("FileWatcher has noticed that 'demo.xml' has changed", 30));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Count(player.Log(), "XML [demo.xml] parsed without errors") < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    player.Signal(SIGTERM);
    ASSERT_EQ(player.Wait(60), 0) << player.Log();

    const std::string log = player.Log();
    EXPECT_EQ(Count(log, "FileWatcher has noticed that 'demo.xml' has changed"), 2) << log;
    EXPECT_EQ(Count(log, "XML [demo.xml] parsed without errors"), 2) << log;
    EXPECT_EQ(Count(log, "XML [demo.xml] parsed with errors"), 1) << log;
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
}

TEST(ShowCheck, GoodShowPasses) {
    ScratchDir dir;
    showtest::MakeShow(dir, showtest::SourceFile("tests/data/show/keyframed.xml"));
    ChildResult result = RunPlayer(dir, {"-check"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("Check passed"), std::string::npos) << result.err;
    // Nothing is played: no main loop, no window.
    EXPECT_EQ(result.err.find("Starting main loop"), std::string::npos) << result.err;
}

TEST(ShowCheck, StaticModelPassesAndMissingModelFails) {
    ScratchDir dir;
    const std::string scene =
        "<demo><effect type=\"CameraScene\"><param key=\"distance\" type=\"double\" value=\"5\"/>"
        "<param key=\"fov\" type=\"double\" value=\"60\"/><effect type=\"LightScene\">"
        "<effect type=\"ThreeDeeTest\"><param key=\"obj\" type=\"string\" value=\"models/MODEL.obj\"/>"
        "</effect></effect></effect></demo>";
    auto withModel = [&](const std::string& model) {
        std::string xml = scene;
        xml.replace(xml.find("MODEL"), 5, model);
        return xml;
    };
    showtest::MakeShow(dir, withModel("monolith"));
    for (const char* name : {"3d.fx", "1x1white.png", "models/monolith.obj", "models/monolith.mtl", "models/panel.png",
                             "models/panel_glow.png"})
        dir.Write(std::string("data/") + name, showtest::SourceFile(std::string("data/") + name));
    // A model without a point cache beside it is static, not broken.
    ChildResult result = RunPlayer(dir, {"-check"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 0) << result.err;

    dir.Write("data/demo.xml", withModel("nothere"));
    result = RunPlayer(dir, {"-check"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("Model file 'models/nothere.obj' couldn't be opened"), std::string::npos) << result.err;
}

TEST(ShowCheck, BrokenShaderFailsAndIsNamed) {
    ScratchDir dir;
    showtest::MakeShow(dir,
                       "<demo><effect type=\"FullScreenShader\">"
                       "<param key=\"shader\" type=\"string\" value=\"wobble.fx\"/></effect></demo>");
    showtest::AddTestData(dir, "broken.fx", "wobble.fx");
    ChildResult result = RunPlayer(dir, {"-check"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("Check failed"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("wobble.fx"), std::string::npos) << result.err;
    EXPECT_NE(dir.Read("Lumivane.log").find("Check failed"), std::string::npos);
}

TEST(ShowCheck, EntriesCompiledOnFirstUseAreCheckedToo) {
    ScratchDir dir;
    showtest::MakeShow(dir, "<demo><effect type=\"Blur\"/></demo>");
    std::string blur = showtest::SourceFile("data/blur.fx");
    EXPECT_EQ(RunPlayer(dir, {"-check"}).status, 1);  // blur.fx missing
    dir.Write("data/blur.fx", blur);
    ChildResult result = RunPlayer(dir, {"-check"});
    EXPECT_EQ(result.status, 0) << result.err;

    // Blur draws with its mask entries only when it has a mask; they are checked all the same.
    std::string renamed = blur;
    renamed.replace(renamed.find("PS_MaskVertical("), 15, "PS_MaskSideways");
    dir.Write("data/blur.fx", renamed);
    result = RunPlayer(dir, {"-check"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("entry point 'PS_MaskVertical' not found"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("'PS_MaskHorizontal' compile error"), std::string::npos) << result.err;

    // A syntax error in a mask entry names the entry, the file, the line and the column.
    const size_t body = blur.find("{", blur.find("float4 PS_MaskVertical("));
    ASSERT_NE(body, std::string::npos);
    const int line = 1 + static_cast<int>(std::count(blur.begin(), blur.begin() + body, '\n'));
    blur.insert(body + 1, " float4 broken = ;");
    dir.Write("data/blur.fx", blur);
    result = RunPlayer(dir, {"-check"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("'PS_MaskVertical' compile error"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("blur.fx(" + std::to_string(line) + ",19): error"), std::string::npos) << result.err;
}

TEST(ShowCheck, MissingScriptNonShowAndMissingImageFail) {
    ScratchDir dir;
    showtest::MakeShow(dir, "");
    EXPECT_EQ(RunPlayer(dir, {"-check"}).status, 1);

    dir.Write("data/demo.xml", "<?xml version=\"1.0\"?><playlist><effect type=\"CLS\"/></playlist>");
    ChildResult notAShow = RunPlayer(dir, {"-check"});
    EXPECT_EQ(notAShow.status, 1) << notAShow.err;
    EXPECT_NE(notAShow.err.find("has no demo element"), std::string::npos) << notAShow.err;
    // An empty show is legal: a note, not a failure.
    dir.Write("data/demo.xml", "<demo/>");
    ChildResult empty = RunPlayer(dir, {"-check"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.err.find("has no effects: the show is empty"), std::string::npos) << empty.err;

    dir.Write("data/demo.xml",
              "<demo><effect type=\"FullScreenShader\"><param key=\"shader\" type=\"string\" value=\"final.fx\"/>"
              "<param key=\"image1\" type=\"string\" value=\"nothere.png\"/></effect></demo>");
    ChildResult result = RunPlayer(dir, {"-check"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("nothere.png"), std::string::npos) << result.err;
}

}  // namespace
