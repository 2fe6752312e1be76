// The effects manager: script loading and its failures, hot reload, the script clock,
// playback keys and the final composite.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "effects/effectsmanager.h"
#include "effects/scriptshape.h"
#include "graphics/datafolder.h"
#include "graphics/devicestate.h"
#include "platform/keystate.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

// A mono 16-bit WAV of silence, long enough for seeking.
std::string SilentWav(int seconds, int rate = 8000) {
    const uint32_t dataBytes = static_cast<uint32_t>(seconds * rate * 2);
    std::string wav;
    auto put32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    wav += "RIFF";
    put32(36 + dataBytes);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate * 2));
    put16(2);
    put16(16);
    wav += "data";
    put32(dataBytes);
    wav.append(dataBytes, '\0');
    return wav;
}

class Manager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(32, 18));
        ASSERT_TRUE(folder_.Ready());
        gOutputWidth = gScreenWidth;
        gOutputHeight = gScreenHeight;
        gHasFocus = true;
        gQuit = false;
        Audio_SetNullOutput(true);
        folder_.Copy("../../data/final.fx", "final.fx");
        folder_.Write("music.wav", SilentWav(20));
    }
    void TearDown() override {
        manager_.Shutdown();
        ReleaseAllKeys();
    }

    // One frame as the main loop runs it: the keys were taken from the window, then Tick.
    void Tick() {
        manager_.Tick();
        BeginKeyEvents();
    }

    void Start(const std::string& script, bool transport = false) {
        folder_.Write("demo.xml", script);
        manager_.Init(transport, false, [](float) {}, "demo.xml");
    }

    DataFolder folder_;
    Effects::EffectsManager manager_;
};

const char* kEmptyShow = R"(<demo audioFilename="music.wav" bpm="120" timeOffset="-4"/>)";

}  // namespace

TEST_F(Manager, ScriptTimeFollowsTempoAndOffset) {
    Start(kEmptyShow);
    EXPECT_DOUBLE_EQ(manager_.ScriptTime(10.0), 16.0);
    EXPECT_DOUBLE_EQ(manager_.GetVolume(), 1.0);
}

TEST_F(Manager, DefaultTempoIsSecondsPlusOffset) {
    Start(R"(<demo audioFilename="music.wav" timeOffset="2.5" volume="0.25"/>)");
    EXPECT_DOUBLE_EQ(manager_.ScriptTime(10.0), 12.5);
    EXPECT_DOUBLE_EQ(manager_.GetVolume(), 0.25);
    EXPECT_DOUBLE_EQ(gMusicVolume, 0.25);
}

TEST_F(Manager, MissingScriptIsReportedAndTheShowRunsEmpty) {
    LogCapture log;
    manager_.Init(false, false, [](float) {}, "nothere.xml");
    EXPECT_EQ(log.Count("Failed to find effects manager script 'nothere.xml'"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty());
    manager_.Draw(1.0);  // still composites
}

TEST_F(Manager, SyntaxErrorLogsThreeLinesThenACorrectedSaveRestoresTheShow) {
    LogCapture log;
    Start("<demo audioFilename=\"music.wav\">\n  <effect type=\"CLS\">\n</demo>\n");
    EXPECT_EQ(log.Count("XML [demo.xml] parsed with errors"), 1);
    EXPECT_EQ(log.Count("Error description: Start-end tags mismatch"), 1);
    EXPECT_EQ(log.CountContaining("Error offset: "), 1);
    EXPECT_EQ(log.Count("Error position: line 3, column 3"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty());

    folder_.Write("demo.xml", R"(<demo audioFilename="music.wav"><effect type="CLS"/></demo>)", 10);
    log.Clear();
    manager_.Tick();
    EXPECT_EQ(log.Count("FileWatcher has noticed that 'demo.xml' has changed"), 1);
    EXPECT_EQ(log.Count("XML [demo.xml] parsed without errors"), 1);
    EXPECT_EQ(manager_.GetEffects().size(), 1u);
}

TEST_F(Manager, FailedLoadsLeaveNoEffects) {
    LogCapture log;
    Start(R"(<demo audioFilename="music.wav"><effect type="CLS"/><effect type="Nope"/></demo>)");
    EXPECT_EQ(log.Count("Unknown effect type 'Nope'"), 1);
    EXPECT_EQ(log.Count("Failed to load effects"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty()) << "no half-made effect is ever drawn";

    folder_.Write("demo.xml", R"(<demo audioFilename="missing.ogg"><effect type="CLS"/></demo>)", 10);
    manager_.Tick();
    EXPECT_EQ(log.Count("Failed to load audio file 'missing.ogg'"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty());
}

TEST_F(Manager, AnEffectThatFailsToInitialiseLeavesTheRestOfTheShowPlaying) {
    LogCapture log;
    Start(R"(<demo audioFilename="music.wav"><effect type="Flyers"><param key="obj" type="string" value="gone.obj"/>
             </effect><effect type="CLS"><param key="colour" type="vec4" x="0" y="1" z="0" w="1"/></effect></demo>)");
    EXPECT_EQ(log.Count("Failed to init effect"), 1);
    EXPECT_EQ(log.Count("Failed to initialise effects"), 1);
    ASSERT_EQ(manager_.GetEffects().size(), 2u);
    EXPECT_TRUE(Audio_HasChannel() && !Audio_IsPaused()) << "the music starts";
    manager_.Draw(0.0);
    const Rgba centre = PixelAt(ReadBackBuffer(), gOutputWidth, gOutputWidth / 2, gOutputHeight / 2);
    EXPECT_TRUE(centre.r < 3 && centre.g > 252 && centre.b < 3) << centre.r << "," << centre.g << "," << centre.b;
}

// XML that is not a show says so (and loads nothing); a show without effects is reported once.
TEST_F(Manager, ScriptsWithoutADemoElementOrWithoutEffectsAreReported) {
    LogCapture log;
    Start(R"(<show audioFilename="music.wav"><effect type="CLS"/></show>)");
    EXPECT_EQ(log.Count("Script 'demo.xml' has no demo element: it is not a show"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty());
    EXPECT_FALSE(Audio_HasChannel()) << "nothing of a non-show is loaded, not even music";

    folder_.Write("demo.xml", R"(<demo audioFilename="music.wav"><!-- nothing yet --></demo>)", 10);
    log.Clear();
    manager_.Tick();
    manager_.Tick();
    EXPECT_EQ(log.Count("Script 'demo.xml' has no effects: the show is empty"), 1);
    EXPECT_EQ(log.Count("Failed to initialise effects"), 0);
}

// Quitting while the effects initialise stops the load at once: no further effect starts,
// nothing half-loaded stays, and the music is not started.
TEST_F(Manager, QuittingDuringLoadingStopsIt) {
    std::string script = R"(<demo audioFilename="music.wav">)";
    for (int i = 0; i < 100; ++i) script += R"(<effect type="CLS"><effect type="CLS"/></effect>)";
    folder_.Write("demo.xml", script + "</demo>");
    LogCapture log;
    float lastProgress = 0.0f;
    manager_.Init(false, false, [&](float p) {
        lastProgress = p;
        if (p >= 0.25f) gQuit = true;
    }, "demo.xml");
    EXPECT_LT(lastProgress, 0.3f);
    EXPECT_EQ(log.Count("Loading interrupted"), 1);
    EXPECT_EQ(log.Count("Failed to init effect"), 0);
    EXPECT_EQ(log.Count("Failed to initialise effects"), 0);
    EXPECT_TRUE(manager_.GetEffects().empty());
    EXPECT_TRUE(Audio_IsPaused());
    gQuit = false;
}

TEST_F(Manager, ReloadKeepsTheMusicGoing) {
    Start(kEmptyShow);
    Audio_SetPositionMs(5000);
    folder_.Write("demo.xml", R"(<demo audioFilename="music.wav" bpm="60"/>)", 10);
    manager_.Tick();
    EXPECT_FALSE(Audio_IsPaused());
    EXPECT_GE(Audio_GetPositionMs(), 5000u) << "a reload does not restart unchanged music";
    EXPECT_DOUBLE_EQ(manager_.ScriptTime(10.0), 10.0);
}

TEST_F(Manager, PlaybackKeysActOncePerPress) {
    Start(R"(<demo audioFilename="music.wav"/>)", /*transport=*/true);
    Audio_SetPaused(true);
    Audio_SetPositionMs(5000);

    SetKeyDown(SDLK_RIGHT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 6000u);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 6000u) << "holding the key acts once";
    SetKeyDown(SDLK_RIGHT, false);
    Tick();
    SetKeyDown(SDLK_LSHIFT, true);
    SetKeyDown(SDLK_LEFT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 2000u) << "Shift jumps four beats";
    SetKeyDown(SDLK_LEFT, false);
    SetKeyDown(SDLK_LSHIFT, false);
    Tick();
    SetKeyDown(SDLK_LCTRL, true);
    SetKeyDown(SDLK_RIGHT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 2250u) << "Ctrl jumps a quarter";
    ReleaseAllKeys();
    Tick();
    SetKeyDown(SDLK_UP, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 0u);
    ReleaseAllKeys();
    Tick();
    SetKeyDown(SDLK_SPACE, true);
    Tick();
    EXPECT_FALSE(Audio_IsPaused()) << "Space resumes";
}

// The step comes from the script's tempo: a huge one jumps to the end or the start rather
// than overflowing into a jump the other way.
TEST_F(Manager, PlaybackKeysWithAHugeTempoStayInsideTheMusic) {
    Start(R"(<demo audioFilename="music.wav" bpm="1e9"/>)", /*transport=*/true);
    Audio_SetPaused(true);
    Audio_SetPositionMs(5000);
    SetKeyDown(SDLK_RIGHT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 20000u) << "Right seeks to the end";
    ReleaseAllKeys();
    Tick();
    Audio_SetPositionMs(5000);
    SetKeyDown(SDLK_LEFT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 0u) << "Left seeks to the start";
}

TEST_F(Manager, AKeyTappedWithinOneFrameStillActsOnce) {
    Start(R"(<demo audioFilename="music.wav"/>)", /*transport=*/true);
    Audio_SetPaused(true);
    Audio_SetPositionMs(5000);
    SetKeyDown(SDLK_RIGHT, true);   // pressed and released between two polls
    SetKeyDown(SDLK_RIGHT, false);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 6000u);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 6000u) << "the tap counts once";
    SetKeyDown(SDLK_RIGHT, true);
    SetKeyDown(SDLK_RIGHT, false);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 7000u);
}

TEST_F(Manager, PlaybackKeysNeedTransportAndFocus) {
    Start(R"(<demo audioFilename="music.wav"/>)", /*transport=*/false);
    Audio_SetPaused(true);
    Audio_SetPositionMs(5000);
    SetKeyDown(SDLK_RIGHT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 5000u);
}

TEST_F(Manager, UnfocusedWindowIgnoresPlaybackKeys) {
    Start(R"(<demo audioFilename="music.wav"/>)", /*transport=*/true);
    Audio_SetPaused(true);
    Audio_SetPositionMs(5000);
    gHasFocus = false;
    SetKeyDown(SDLK_RIGHT, true);
    Tick();
    EXPECT_EQ(Audio_GetPositionMs(), 5000u);
}

TEST_F(Manager, UnusableFinalShaderShowsRed) {
    folder_.Remove("final.fx");
    Start(kEmptyShow);
    manager_.Draw(0.0);
    std::vector<uint8_t> pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, gOutputWidth, 5, 5, {255, 0, 0, 255}));
}

TEST_F(Manager, CompositeKeepsTheRenderAspectCentred) {
    Start(R"(<demo audioFilename="music.wav">
        <effect type="CLS"><param key="colour" type="vec4" x="0" y="1" z="0" w="1"/></effect>
    </demo>)");
    ASSERT_TRUE(gSwapChain->ResizeBuffers(64, 18));
    gBackBufferView = gDevice->CreateRenderTargetView(gSwapChain->GetBuffer(), nullptr);
    gOutputWidth = 64;
    gOutputHeight = 18;
    manager_.Draw(0.0);
    std::vector<uint8_t> pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, 64, 32, 9, {0, 255, 0, 255}, 4)) << "the picture in the middle";
    EXPECT_TRUE(PixelNear(pixels, 64, 2, 9, {0, 0, 0, 255}, 4)) << "a bar at the left";
    EXPECT_TRUE(PixelNear(pixels, 64, 61, 9, {0, 0, 0, 255}, 4)) << "a bar at the right";
}

// Scripts shaped to exhaust the stack or the graphics memory are refused with a log line
// before any effect is made; the previous show goes on, and a sane script loads again.
TEST_F(Manager, DeepOrMemoryHungryScriptsAreRefusedBeforeLoading) {
    auto nested = [](const std::string& type, int depth) {
        std::string open, close;
        for (int i = 0; i < depth; ++i) {
            open += "<effect type=\"" + type + "\">";
            close += "</effect>";
        }
        return "<demo audioFilename=\"music.wav\">" + open + close + "</demo>";
    };
    LogCapture log;
    Start(nested("CLS", 100000));
    EXPECT_EQ(log.Count("Script nests effects 100000 levels deep; at most 256 are supported"), 1);
    EXPECT_TRUE(manager_.GetEffects().empty());

    pugi::xml_document document;
    document.load_string(("<demo><effect type='RenderTarget'><effect/></effect>" + nested("CLS", 2).substr(32)).c_str());
    const Effects::ScriptShape shape = Effects::MeasureScript(document.child("demo"));
    EXPECT_EQ(shape.depth * 100 + shape.renderTargets * 10 + shape.effects, 214u);

    // 200 render targets of 32 x 18 need 200 * 32 * 18 * 4 * 3 bytes (1.3 MB); allow 1 MB.
    document.load_string(nested("RenderTarget", 200).c_str());
    EXPECT_FALSE(Effects::CheckScriptShape(document.child("demo"), 1 << 20));
    EXPECT_EQ(log.Count("Script's 200 render targets need 2 MB of render textures; only 1 MB are available"), 1);
    EXPECT_TRUE(Effects::CheckScriptShape(document.child("demo"), 2 << 20));

    folder_.Write("demo.xml", nested("CLS", 200), 10);
    manager_.Tick();
    ASSERT_EQ(manager_.GetEffects().size(), 1u);
}
