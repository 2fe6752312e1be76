#pragma once
// "-check": loads the demo script and everything it names (music, shaders with every entry
// point the effects use, images, look-up tables, models) without playing it, and reports
// each problem. Needs the device; opens no window and plays no sound.
//
// A problem is any line logged while the show loads, apart from a short list of progress
// notes (a script that parsed, a look-up table being parsed, a shader entry loaded on first
// use, a watcher noticing a change, a building kit and its pieces found). Every failure the
// loaders report is therefore counted, including ones added later, without a list of
// failure texts to keep up to date.
#include <string>
#include <string_view>
#include <vector>

// True when a logged line is a progress note rather than a problem.
bool IsInformationalLogLine(std::string_view line);

// Loads the show and returns the problems found, one entry per logged line.
std::vector<std::string> CheckShow(const std::string& demoFile);

// Runs CheckShow, logs the result (on stderr and in the log) and returns the exit status:
// 0 when the show loads without problems, 1 otherwise.
int RunShowCheck(const std::string& demoFile);
