#pragma once
// The start-up sequence: file system and data, command line, settings dialog, window,
// device, and then the main loop. Returns the process exit status: 0 after a show or when
// the user declines to run, -1 (255) after a fatal start-up failure.
int StartUp(int argc, char** argv);

// Sets the render size from the resolution index: 1 is 1280 x 720, 2 is 1920 x 1080, and
// any other index 342 x 192, which also turns toggle states 1 to 4 off.
void SetRenderSize(int resolution);
