// Recording runs of the whole player: frame count, rate, size, timing of the pictures,
// and a recording ended by a signal.
#include <gtest/gtest.h>

#include <signal.h>

#include "show/showfolder.h"
#include "video/mediaprobe.h"

namespace {

using childtest::ChildResult;
using childtest::RunPlayer;
using childtest::ScratchDir;
using showtest::BackgroundPlayer;

// Frame `index` of a video, scaled to 16 x 9, as packed RGB.
std::string DecodeFrame(const std::string& file, int index) {
    return mediaprobe::Run("ffmpeg -v error -i '" + file + "' -vf 'select=eq(n\\," + std::to_string(index) +
                           "),scale=16:9' -vsync 0 -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

// The red channel at the centre of a decoded 16 x 9 frame.
int CentreRed(const std::string& rgb) {
    const size_t centre = (4 * 16 + 8) * 3;
    return rgb.size() > centre ? static_cast<unsigned char>(rgb[centre]) : -1;
}

TEST(Recording, NinetyFramesAtThirtyPerSecondShowTheirOwnTime) {
    ScratchDir dir;
    showtest::MakeShow(dir, showtest::SourceFile("tests/data/show/keyframed.xml"));
    ChildResult result = RunPlayer(dir, {"-headless", "-video", "-frames", "90", "-skipsettings", "-lowres"});
    ASSERT_FALSE(result.timedOut);
    ASSERT_EQ(result.status, 0) << result.err;

    const std::string video = (dir.Path() / "output.wmv").string();
    const std::string probe = mediaprobe::Probe(
        video, "-show_entries stream=nb_read_frames,r_frame_rate,width,height,codec_name:format=duration");
    EXPECT_EQ(mediaprobe::JsonValues(probe, "nb_read_frames"), std::vector<std::string>{"90"}) << probe;
    EXPECT_EQ(mediaprobe::JsonValues(probe, "r_frame_rate"), std::vector<std::string>{"30/1"}) << probe;
    EXPECT_EQ(mediaprobe::JsonValues(probe, "width"), std::vector<std::string>{"1280"}) << probe;
    EXPECT_EQ(mediaprobe::JsonValues(probe, "height"), std::vector<std::string>{"720"}) << probe;
    const auto duration = mediaprobe::JsonValues(probe, "duration");
    ASSERT_EQ(duration.size(), 1u) << probe;
    EXPECT_NEAR(std::stod(duration[0]), 3.0, 0.001);

    // Red rises by 25.5 per second: frame n shows n / 30 s.
    for (int frame : {0, 45, 89}) {
        const double expected = 255.0 * (frame / 30.0) / 10.0;
        EXPECT_NEAR(CentreRed(DecodeFrame(video, frame)), expected, 6.0) << "frame " << frame;
    }

    const std::string log = dir.Read("Lumivane.log");
    for (const char* line : {"Starting main loop", "Recording video", "Exited main loop", "Wrote 90 frames to 'output.wmv'"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(log.find("Skipping video frame"), std::string::npos) << log;
}

TEST(Recording, SigtermEndsARecordingWithAFinalisedFile) {
    ScratchDir dir;
    showtest::MakeShow(dir, showtest::SourceFile("tests/data/show/keyframed.xml"));
    BackgroundPlayer player(dir, {"-headless", "-video", "-skipsettings", "-lowres"});
    ASSERT_TRUE(player.WaitForLog("XML [demo.xml] parsed without errors")) << player.Log();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    player.Signal(SIGTERM);
    ASSERT_EQ(player.Wait(60), 0) << player.Log();

    const std::string log = player.Log();
    EXPECT_NE(log.find("Exited main loop"), std::string::npos) << log;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(log, match, std::regex("Wrote (\\d+) frames to 'output.wmv'"))) << log;
    const int frames = std::stoi(match[1]);
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 10800);

    const std::string probe = mediaprobe::Probe((dir.Path() / "output.wmv").string(),
                                                "-show_entries stream=nb_read_frames:format=duration");
    EXPECT_EQ(mediaprobe::JsonValues(probe, "nb_read_frames"), std::vector<std::string>{std::to_string(frames)}) << probe;
    const auto duration = mediaprobe::JsonValues(probe, "duration");
    ASSERT_EQ(duration.size(), 1u) << probe;
    EXPECT_NEAR(std::stod(duration[0]), frames / 30.0, 0.001);
}

// A script whose effects take long to initialise (each compiles its shader).
std::string SlowLoadingShow(int effects) {
    std::string xml = "<demo>";
    for (int i = 0; i < effects; ++i)
        xml += "<effect type=\"FullScreenShader\"><param key=\"shader\" type=\"string\" value=\"final.fx\"/></effect>";
    return xml + "</demo>";
}

// SIGINT while the show loads stops the load and the run, and leaves a valid, empty file.
TEST(Recording, SigintDuringLoadingEndsTheRunWithAnEmptyValidFile) {
    ScratchDir dir;
    showtest::MakeShow(dir, SlowLoadingShow(20000));
    BackgroundPlayer player(dir, {"-headless", "-video", "-skipsettings", "-lowres"});
    ASSERT_TRUE(player.WaitForLog("XML [demo.xml] parsed without errors")) << player.Log();
    player.Signal(SIGINT);
    ASSERT_EQ(player.Wait(60), 0) << player.Log();

    const std::string log = player.Log();
    for (const char* line : {"Loading interrupted", "Quit signal received", "Exited main loop", "Wrote 0 frames to 'output.wmv'"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    const std::string probe = mediaprobe::Probe((dir.Path() / "output.wmv").string(), "-show_entries stream=codec_name");
    EXPECT_EQ(mediaprobe::JsonValues(probe, "codec_name"), std::vector<std::string>{"wmv2"}) << probe;
}

TEST(Recording, VideoFileNamesAnMp4WithTheMusic) {
    ScratchDir dir;
    showtest::MakeShow(dir, "<demo audioFilename=\"tone.ogg\"><effect type=\"CLS\"/></demo>");
    dir.Write("data/tone.ogg", showtest::SourceFile("tests/data/audio/tone.ogg"));
    ChildResult result = RunPlayer(dir, {"-headless", "-videofile", "Show.mp4", "-frames", "30", "-skipsettings", "-lowres"});
    ASSERT_FALSE(result.timedOut);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "output.wmv"));
    const std::string probe = mediaprobe::Probe((dir.Path() / "Show.mp4").string(),
                                                "-show_entries stream=codec_type,codec_name,nb_read_frames");
    const auto types = mediaprobe::JsonValues(probe, "codec_type");
    EXPECT_EQ(types, (std::vector<std::string>{"video", "audio"})) << probe;
    const auto codecs = mediaprobe::JsonValues(probe, "codec_name");
    ASSERT_FALSE(codecs.empty()) << probe;
    EXPECT_EQ(codecs[0], "h264");
    const auto frames = mediaprobe::JsonValues(probe, "nb_read_frames");
    ASSERT_FALSE(frames.empty()) << probe;
    EXPECT_EQ(frames[0], "30");
}

// A disk that fills up ends the recording early with a log line and a failed exit status,
// instead of rendering the rest of the show into a file that takes nothing.
TEST(Recording, FullDiskStopsTheRecordingAndFails) {
    ScratchDir dir;
    showtest::MakeShow(dir, "<demo><effect type=\"CLS\"/></demo>");
    std::filesystem::create_symlink("/dev/full", dir.Path() / "full.mp4");
    ChildResult result = RunPlayer(dir, {"-headless", "-videofile", "full.mp4", "-frames", "3000", "-skipsettings", "-lowres"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_NE(result.status, 0);
    const std::string log = dir.Read("Lumivane.log");
    EXPECT_NE(log.find("Recording stopped: frames could not be written to 'full.mp4'"), std::string::npos) << log;
    EXPECT_EQ(log.find("Recorded 'full.mp4': 3000 frames"), std::string::npos) << log;
}

}  // namespace
