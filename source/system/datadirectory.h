#pragma once
// Directory listings of the data file system.
#include <string>
#include <vector>

// The names in a directory, merged over every mounted folder and archive, sorted byte-wise
// without duplicates, so that whatever is picked from them is the same on every machine.
// Empty when the directory does not exist or cannot be listed.
std::vector<std::string> ListDataDirectory(const std::string& path);
