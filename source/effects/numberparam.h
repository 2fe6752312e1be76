#pragma once
// Whole-number parameters that a script may give either as "int" or as a (keyframed)
// "double".
#include <string>

namespace Effects {

class Effect;

// An int parameter as it stands, anything else as a double at `time`; the default when absent.
double ReadNumber(const Effect& effect, const std::string& name, double time, double defaultValue);

}  // namespace Effects
