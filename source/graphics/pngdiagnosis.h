#pragma once
// Asks libpng why a PNG file cannot be read, for log lines that say what is wrong with it.
#include <cstdint>
#include <string>

// libpng's own text for the first problem in the bytes, or empty when they read cleanly.
std::string DiagnosePng(const uint8_t* bytes, uint32_t size);
