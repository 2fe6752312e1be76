#include "effects/connectionssettings.h"

#include <cmath>
#include <string>

#include "effects/effect.h"
#include "effects/numberparam.h"
#include "system/log.h"

namespace Effects {
namespace {

int ReadCount(const Effect& effect, const char* name, int defaultValue, int maximum) {
    const double value = ReadNumber(effect, name, 0.0, defaultValue);
    if (!std::isfinite(value)) {
        LOG("Param '%s' is not a finite number: using %d", name, defaultValue);
        return defaultValue;
    }
    const double whole = std::trunc(value);
    if (whole < 0.0 || whole > double(maximum)) {
        const int used = whole < 0.0 ? 0 : maximum;
        LOG("Param '%s' is %g, outside 0..%d: using %d", name, value, maximum, used);
        return used;
    }
    return int(whole);
}

float ReadFinite(const Effect& effect, const char* name, float defaultValue) {
    const double value = effect.GetParamDouble(name, 0.0, defaultValue);
    const float single = float(value);
    if (!std::isfinite(single)) {
        LOG("Param '%s' is not a finite number: using %g", name, defaultValue);
        return defaultValue;
    }
    return single;
}

}  // namespace

ConnectionsSettings ReadConnectionsSettings(const Effect& effect) {
    ConnectionsSettings s;
    // The seed wraps like a 32-bit integer.
    const double seed = ReadNumber(effect, "seed", 0.0, 123.0);
    if (std::isfinite(seed) && std::fabs(seed) < 9.2e18)
        s.seed = uint32_t(int64_t(std::trunc(seed)));
    else
        LOG("Param 'seed' is not a usable number: using %u", s.seed);
    s.launcherCount = ReadCount(effect, "launcherCount", 10, kMaxLaunchers);
    s.launcherSpread = ReadFinite(effect, "launcherSpread", 100.0f);
    s.launcherAvoidance = ReadFinite(effect, "launcherAvoidance", 10.0f);
    s.peoplePerHub = ReadCount(effect, "peoplePerHub", 10, kMaxPeoplePerHub);
    s.peopleMinRange = ReadFinite(effect, "peopleMinRange", 10.0f);
    s.peopleMaxRange = ReadFinite(effect, "peopleMaxRange", 20.0f);
    s.peopleStartTime = ReadFinite(effect, "peopleStartTime", 1.0f);
    s.peopleStartTimeStep = ReadFinite(effect, "peopleStartTimeStep", 5.0f);
    s.randoPeopleCount = ReadCount(effect, "randoPeopleCount", 10, kMaxRandoPeople);
    s.randoPeopleStartTime = ReadFinite(effect, "randoPeopleStartTime", 1.0f);
    s.randoPeopleEndTime = ReadFinite(effect, "randoPeopleEndTime", 5.0f);
    s.randoPeopleRange = ReadFinite(effect, "randoPeopleRange", 100.0f);
    s.tubesStartTime = ReadFinite(effect, "tubesStartTime", 1.0f);
    s.tubesStartTimeStep = ReadFinite(effect, "tubesStartTimeStep", 5.0f);
    s.tubeShape.midHeight1 = ReadFinite(effect, "midHeight1", 50.0f);
    s.tubeShape.midHeightRange1 = ReadFinite(effect, "midHeightRange1", 10.0f);
    s.tubeShape.midHeight2 = ReadFinite(effect, "midHeight2", 40.0f);
    s.tubeShape.midHeightRange2 = ReadFinite(effect, "midHeightRange2", 3.0f);
    s.tubeShape.midPointVariance = ReadFinite(effect, "midPointVariance", 20.0f);
    s.launcherScale = ReadFinite(effect, "launcherScale", 1.0f);
    return s;
}

}  // namespace Effects
