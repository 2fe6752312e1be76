#include "effects/numberparam.h"

#include "effects/effect.h"

namespace Effects {

double ReadNumber(const Effect& effect, const std::string& name, double time, double defaultValue) {
    if (!effect.HasParam(name)) return defaultValue;
    const ParamVariant& param = effect.GetParam(name);
    if (param.GetType() == ParamType::Int) return param.GetAsInt();
    return param.GetAsDouble(time);
}

}  // namespace Effects
