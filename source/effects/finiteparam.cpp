#include "effects/finiteparam.h"

#include <cmath>

#include "effects/effect.h"
#include "system/log.h"

namespace Effects {

double FiniteParam::Get(const Effect& effect, double time) {
    const double value = effect.GetParamDouble(name_, time, default_);
    // Also rejects values that overflow single precision, which every user converts to.
    const bool finite = std::isfinite(value) && std::isfinite(static_cast<float>(value));
    if (finite) {
        reported_ = false;
        return value;
    }
    if (!reported_) LOG("Param '%s' is not a finite number; using %g", name_.c_str(), default_);
    reported_ = true;
    return default_;
}

}  // namespace Effects
