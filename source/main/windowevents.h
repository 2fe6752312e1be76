#pragma once
// The main window's event procedure: turns SDL events into the process-wide shell state
// (quit, focus, output size with the back-buffer resize, held keys, toggle keys) and saves
// screenshots on F11. Runs on the main thread inside the main loop's pump.
union SDL_Event;

// Handles one event. Events of other windows (the settings dialog) are ignored.
void WndProc(const SDL_Event& event);
// Drains every pending event without waiting and hands each one to WndProc.
void PumpWindowEvents();

// The steps of a size change: output size, log line, back buffer and its view.
void HandleResize(int width, int height);
