#pragma once
// The main loop: runs until gQuit is set, presenting one frame per pass.
#include <string>

// Choices of the command line beyond the show's own four.
struct RunOptions {
    int frames = 0;         // "-frames N": end after N frames; 0 runs until quit
    bool headless = false;  // "-headless": no window, so no events to pump
};

void Run(const std::string& demoFile, bool transport, bool silent, bool video,
         const RunOptions& options = RunOptions());
