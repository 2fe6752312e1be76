#pragma once
// The command line: switches found by case-insensitive substring search in the arguments
// joined with blanks, so "-LowRes" and even "-lowresolution" select the low resolution.
#include <string>
#include <vector>

// The start-up configuration that the settings dialog can change.
struct Config {
    bool FullScreen = true;   // "-windowed" clears it
    bool AntiAlias = false;   // "-aa"
    bool AlwaysOnTop = true;  // "-notontop" clears it
    int Resolution = 2;       // index into the render-size table; "-lowres" gives 1
};

struct CommandLine {
    Config config;
    std::string demoFile = "demo.xml";  // "-demofile NAME": the next argument, case kept
    bool transport = false;             // "-transport"
    bool silent = false;                // "-silent"
    bool video = false;                 // "-video"
    bool skipSettings = false;          // "-skipsettings"
    bool toggleKeys = false;            // "-togglekeys"
    bool headless = false;              // "-headless": no window, no dialog
    bool check = false;                 // "-check"
    bool overlay = false;               // "-overlay": start with the F1 overlay shown
    int frames = 0;                     // "-frames N"; 0 runs until quit
    std::string videoFile = "output.wmv";  // "-videofile NAME": the next argument, case kept
    bool framesInvalid = false;         // "-frames" given without a positive count
};

// Parses the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
CommandLine ParseCommandLine(int argc, char** argv);
