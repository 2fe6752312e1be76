#include "effects/requiredparam.h"

#include "effects/effect.h"

namespace Effects {

bool RequiredParam::Find(const Effect& effect) {
    if (effect.HasParam(name_)) return true;
    if (!reported_) {
        effect.GetParam(name_);  // the lookup logs the missing name
        reported_ = true;
    }
    return false;
}

double RequiredParam::GetDouble(const Effect& effect, double time) {
    return Find(effect) ? effect.GetParam(name_).GetAsDouble(time) : 0.0;
}

vec3 RequiredParam::GetVec3(const Effect& effect, double time) {
    return Find(effect) ? effect.GetParam(name_).GetAsVec3(time) : vec3{0.0f, 0.0f, 0.0f};
}

std::string RequiredParam::GetString(const Effect& effect) {
    return Find(effect) ? effect.GetParam(name_).GetAsString() : std::string();
}

}  // namespace Effects
