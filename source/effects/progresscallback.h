#pragma once
// Receives the loading progress in [0, 1] while the show's effects initialise.
#include <functional>

using ProgressCallback = std::function<void(float)>;
