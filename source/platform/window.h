#pragma once
// The main window: an SDL2 window whose client area is the render size, centred on the
// primary display, ready for an OpenGL 4.5 core context that the gpu layer creates on it.

// True when SDL video is running on a driver that can show windows. SDL falls back to its
// "offscreen" (or "dummy") driver when there is no display; windows there are invisible.
bool HasDisplay();

// Creates the window titled "Lumivane - Quillon" with a client area of gOutputWidth x
// gOutputHeight (start-up sets them to the render size first), kept on top when asked,
// with the mouse cursor hidden, raised and focused; sets gWindow. Starts SDL video if
// needed. Logs one line and returns false when no window can be made.
bool InitialiseWindow(bool alwaysOnTop);
