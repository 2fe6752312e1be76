#pragma once
// Screenshots: the back buffer as a numbered PNG file in a directory of the write directory.
#include <string>

// Writes "<directory>/screenshotNNN.png" with the first number, from a counter that lives
// for the whole run (starting at 1), whose file does not exist yet. Failures log one line
// and write nothing.
void SaveSceenshot(const std::string& directory);
