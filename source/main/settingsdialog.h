#pragma once
// The settings dialog shown before the main window: render size, anti-aliasing, always on
// top and full-screen, with "Demo" (run) and "Die" (quit). A small SDL2 window of its own
// with Dear ImGui on a GL context of its own; both are gone again when it returns.
#include <functional>
#include <string>

#include "main/commandline.h"

struct SDL_Window;

enum class SettingsDialogResult {
    Failed,     // no display, or the window or its context could not be made
    Cancelled,  // "Die", Escape or closing the window
    Accepted,   // "Demo" or Enter: the configuration holds the chosen values
};

// Where the dialog's controls are, in window coordinates; filled every frame.
struct SettingsDialogLayout {
    SDL_Window* window = nullptr;
    int frame = 0;
    float demoX = 0, demoY = 0;  // centre of "Demo"
    float dieX = 0, dieY = 0;    // centre of "Die"
};

// Called once per frame after the layout is known. Tests use it to inject input.
using SettingsDialogFrameHook = std::function<void(const SettingsDialogLayout&)>;

// Shows the dialog with the title text, preset from `config`, and waits for the user.
// On acceptance the four fields of `config` take the dialog's values; otherwise `config`
// is left as it was.
SettingsDialogResult RunSettingsDialog(const std::string& title, Config* config,
                                       const SettingsDialogFrameHook& hook = nullptr);
