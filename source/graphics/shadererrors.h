#pragma once
// The shaders that failed to compile most recently, for the on-screen overlay: one record per
// file and entry point, dropped again when that entry point compiles.
#include <string>
#include <vector>

struct ShaderError {
    std::string file;
    std::string entry;
    std::string message;  // the translator's messages ("file(line): error: ...")
};

void ReportShaderError(const std::string& file, const std::string& entry, const std::string& message);
void ClearShaderError(const std::string& file, const std::string& entry);
// The failures, oldest first (at most 8 are kept).
std::vector<ShaderError> RecentShaderErrors();
