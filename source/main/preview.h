#pragma once
// The first run on a machine without a display: instead of failing at the dialog, the player
// records a short preview of the show to a file and says where it is.
#include <string>

// True when SDL video can start on a driver that shows windows; leaves SDL video as it was.
bool DisplayAvailable();

constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 360;
constexpr int kPreviewFrames = 300;  // 10 s at 30 frames per second
constexpr const char* kPreviewFile = "preview.mp4";

// Tells on stdout where the preview is, or that none was written.
void ReportPreview(const std::string& fileName);
