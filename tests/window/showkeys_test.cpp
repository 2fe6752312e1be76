// The playing show in a real window on the X server, driven by key presses and a resize
// sent through the server as a user's would be.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>

#include "graphics/imagedecoder.h"
#include "show/showfolder.h"

namespace {

using childtest::ScratchDir;
using showtest::BackgroundPlayer;

// A show of one colour: CLS in pure red.
const char* kRedShow =
    "<demo><effect type=\"CLS\"><param key=\"colour\" type=\"vec4\" x=\"1\" y=\"0\" z=\"0\" w=\"1\"/></effect></demo>";

const std::vector<std::string> kWindowedRun = {"-windowed", "-skipsettings", "-lowres", "-notontop", "-togglekeys",
                                               "-frames", "100000"};

// Runs an xdotool command against the player's window (found by its title).
int Xdotool(const std::string& arguments) {
    const std::string command =
        "id=$(timeout 30 xdotool search --sync --name '^Lumivane - Quillon$' | head -n 1) && "
        "xdotool " + arguments;
    return std::system(command.c_str());
}

int KeyToPlayer(const std::string& keys) {
    return Xdotool("windowfocus --sync \"$id\" key --delay 80 " + keys);
}

DecodedImage ReadPng(const ScratchDir& dir, const std::string& name) {
    const std::string bytes = dir.Read(name);
    DecodedImage image;
    DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &image);
    return image;
}

bool IsColour(const DecodedImage& image, int x, int y, int r, int g, int b) {
    const uint8_t* p = image.rgba.data() + (size_t(y) * image.width + x) * 4;
    return std::abs(p[0] - r) <= 4 && std::abs(p[1] - g) <= 4 && std::abs(p[2] - b) <= 4;
}

bool WaitForFile(const ScratchDir& dir, const std::string& name, int seconds = 30) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (std::filesystem::exists(dir.Path() / name) && std::filesystem::file_size(dir.Path() / name) > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(ShowKeys, DigitsToggleF11SavesAndEscapeQuits) {
    ScratchDir dir;
    showtest::MakeShow(dir, kRedShow);
    dir.Write("screenshots/screenshot001.png", "taken earlier");
    BackgroundPlayer player(dir, kWindowedRun);
    ASSERT_TRUE(player.WaitForLog("First frame drawn")) << player.Log();  // keys act once the show plays

    ASSERT_EQ(KeyToPlayer("3 3 KP_5"), 0);
    ASSERT_TRUE(player.WaitForLog("Toggle key 3 = on", 20)) << player.Log();
    ASSERT_EQ(KeyToPlayer("F11"), 0);
    ASSERT_TRUE(WaitForFile(dir, "screenshots/screenshot002.png")) << player.Log();
    ASSERT_EQ(KeyToPlayer("Escape"), 0);
    EXPECT_EQ(player.Wait(30), 0) << player.Log();

    const std::string log = player.Log();
    EXPECT_EQ(showtest::Count(log, "Toggle key 3 = off"), 1) << log;
    EXPECT_EQ(showtest::Count(log, "Toggle key 3 = on"), 1) << log;
    EXPECT_EQ(showtest::Count(log, "Toggle key 5"), 0) << log;
    EXPECT_EQ(showtest::Count(log, "Saving screenshot.."), 1) << log;
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
    EXPECT_EQ(dir.Read("screenshots/screenshot001.png"), "taken earlier");

    DecodedImage shot = ReadPng(dir, "screenshots/screenshot002.png");
    ASSERT_EQ(shot.width, 1280u);
    ASSERT_EQ(shot.height, 720u);
    EXPECT_TRUE(IsColour(shot, 640, 360, 255, 0, 0));
}

// Escape while a long script loads ends the load and the run; the window stays answering.
TEST(ShowKeys, EscapeDuringLoadingEndsTheRun) {
    ScratchDir dir;
    std::string xml = "<demo>";
    for (int i = 0; i < 20000; ++i)
        xml += "<effect type=\"FullScreenShader\"><param key=\"shader\" type=\"string\" value=\"final.fx\"/></effect>";
    showtest::MakeShow(dir, xml + "</demo>");
    BackgroundPlayer player(dir, kWindowedRun);
    ASSERT_TRUE(player.WaitForLog("XML [demo.xml] parsed without errors")) << player.Log();
    ASSERT_EQ(KeyToPlayer("Escape"), 0);
    EXPECT_EQ(player.Wait(60), 0) << player.Log();
    const std::string log = player.Log();
    EXPECT_NE(log.find("Loading interrupted"), std::string::npos) << log;
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
}

TEST(ShowKeys, ResizedWindowKeepsThePictureCentred) {
    ScratchDir dir;
    showtest::MakeShow(dir, kRedShow);
    BackgroundPlayer player(dir, kWindowedRun);
    ASSERT_TRUE(player.WaitForLog("First frame drawn")) << player.Log();  // keys act once the show plays

    ASSERT_EQ(Xdotool("windowsize --sync \"$id\" 1000 500"), 0);
    ASSERT_TRUE(player.WaitForLog("Received WM_SIZE of 1000x500, aspect 2.00", 20)) << player.Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(KeyToPlayer("F11"), 0);
    ASSERT_TRUE(WaitForFile(dir, "screenshots/screenshot001.png")) << player.Log();
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(30), 0) << player.Log();

    // 16:9 at a height of 500 is 888.9 wide: bars of about 55 pixels on each side.
    DecodedImage shot = ReadPng(dir, "screenshots/screenshot001.png");
    ASSERT_EQ(shot.width, 1000u);
    ASSERT_EQ(shot.height, 500u);
    for (int x : {60, 500, 940}) EXPECT_TRUE(IsColour(shot, x, 250, 255, 0, 0)) << x;
    for (int x : {2, 50, 950, 997}) EXPECT_TRUE(IsColour(shot, x, 250, 0, 0, 0)) << x;
    EXPECT_EQ(player.Log().find("Failed"), std::string::npos) << player.Log();
}

// Holds a key long enough for the show's per-frame key polling to see it (a paused show
// draws a frame every quarter second), then releases it.
int HoldKey(const std::string& key) {
    // Long enough on both sides of the release for a slow frame to see the key down, then up.
    return Xdotool("windowfocus --sync \"$id\" keydown " + key + " sleep 0.7 keyup " + key + " sleep 1.0");
}

int CentreRed(const ScratchDir& dir, const std::string& name) {
    DecodedImage shot = ReadPng(dir, name);
    if (shot.rgba.empty()) return -1;
    return shot.rgba[(size_t(shot.height / 2) * shot.width + shot.width / 2) * 4];
}

TEST(ShowKeys, TransportKeysPauseSeekAndRestartTheMusic) {
    ScratchDir dir;
    // Red rises from 0 at 0 s to full at 10 s.
    std::string show = showtest::SourceFile("tests/data/show/keyframed.xml");
    show.replace(show.find("<demo "), 6, "<demo audioFilename=\"music.ogg\" ");
    showtest::MakeShow(dir, show);
    dir.Write("data/music.ogg", showtest::SourceFile("data/music.ogg"));
    std::vector<std::string> arguments = kWindowedRun;
    arguments.push_back("-transport");
    BackgroundPlayer player(dir, arguments);
    ASSERT_TRUE(player.WaitForLog("First frame drawn")) << player.Log();  // keys act once the show plays

    ASSERT_EQ(HoldKey("space"), 0);              // pause at about 1 s
    ASSERT_EQ(HoldKey("shift+Right"), 0);        // +4 s
    ASSERT_EQ(HoldKey("shift+Right"), 0);        // +4 s
    ASSERT_EQ(KeyToPlayer("F11"), 0);
    ASSERT_TRUE(WaitForFile(dir, "screenshots/screenshot001.png")) << player.Log();
    ASSERT_EQ(HoldKey("Up"), 0);                 // back to the start, still paused
    ASSERT_EQ(KeyToPlayer("F11"), 0);
    ASSERT_TRUE(WaitForFile(dir, "screenshots/screenshot002.png")) << player.Log();
    ASSERT_EQ(KeyToPlayer("Escape"), 0);
    EXPECT_EQ(player.Wait(30), 0) << player.Log();

    EXPECT_GE(CentreRed(dir, "screenshots/screenshot001.png"), 200);  // at least 8 s in
    EXPECT_LE(CentreRed(dir, "screenshots/screenshot002.png"), 8);    // at 0 s
}

}  // namespace
