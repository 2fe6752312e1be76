#pragma once
// A parameter that has no default: the script must provide it. An absent one is looked up
// through the parameter set once, which reports it ("Couldn't find param"), and from then
// on reads as zero (or empty) without filling the log every frame.
#include <string>

#include "system/vec.h"

namespace Effects {

class Effect;

class RequiredParam {
public:
    explicit RequiredParam(std::string name) : name_(std::move(name)) {}

    double GetDouble(const Effect& effect, double time);
    vec3 GetVec3(const Effect& effect, double time);
    std::string GetString(const Effect& effect);

private:
    // True when the effect has the parameter; reports an absent one the first time.
    bool Find(const Effect& effect);

    std::string name_;
    bool reported_ = false;
};

}  // namespace Effects
