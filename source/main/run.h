#pragma once
// The main loop: loads the show behind the loading screen, then plays it live (the music
// is the clock) or records it frame by frame at 30 frames per second, until gQuit is set.
#include <string>

// Choices of the command line beyond the show's own four.
struct RunOptions {
    int frames = 0;                         // "-frames N": end after N frames; 0 runs until quit
    bool headless = false;                  // "-headless": no window, no sound device
    std::string videoFile = "output.wmv";   // "-videofile NAME": the recording's file
};

// Frames a recording writes at most when "-frames" does not say otherwise (6 minutes).
constexpr unsigned kRecordingFrameLimit = 10800;
// Frame n of a recording shows music time float(n) * kRecordingFrameStep.
constexpr float kRecordingFrameStep = 0.033333335f;

// False when a recording could not be written completely (its file could not be opened, or
// writing failed, as on a full disk, which also ends the run early).
bool Run(const std::string& demoFile, bool transport, bool silent, bool video,
         const RunOptions& options = RunOptions());

// SIGINT and SIGTERM end the main loop after the current frame (so a recording is
// finalised) instead of killing the process. Installed by Run.
void InstallQuitSignalHandlers();
// True once SIGINT or SIGTERM arrived since the handlers were installed.
bool QuitSignalReceived();
