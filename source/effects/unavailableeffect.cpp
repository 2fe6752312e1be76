#include "effects/unavailableeffect.h"

#include <set>

#include "system/log.h"

namespace Effects {

bool UnavailableEffect::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    static std::set<std::string> reported;
    if (reported.insert(type_).second) {
        LOG("Effect type '%s' is not available in this version and draws nothing", type_.c_str());
    }
    return Effect::Init(progressStart, progressEnd, progress);
}

}  // namespace Effects
