#pragma once
// A double parameter that must be a finite number. A NaN or infinite value is logged once
// ("Param '%s' is not a finite number; using %g") and replaced by the default; the log
// line comes again only after the value was finite in between.
#include <string>

namespace Effects {

class Effect;

class FiniteParam {
public:
    FiniteParam(std::string name, double defaultValue) : name_(std::move(name)), default_(defaultValue) {}

    double Get(const Effect& effect, double time);
    float GetFloat(const Effect& effect, double time) { return static_cast<float>(Get(effect, time)); }

private:
    std::string name_;
    double default_;
    bool reported_ = false;
};

}  // namespace Effects
