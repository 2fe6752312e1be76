#include "system/paramvariant.h"

#include <utility>

#include "system/log.h"

namespace {

// Doubles interpolate in double precision.
double Interpolate(double a, double b, double e) { return a + (b - a) * e; }

// Vectors interpolate per component in single precision, with the weight rounded first.
vec2 Interpolate(const vec2& a, const vec2& b, double e) {
    float f = static_cast<float>(e);
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
}

vec3 Interpolate(const vec3& a, const vec3& b, double e) {
    float f = static_cast<float>(e);
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
}

vec4 Interpolate(const vec4& a, const vec4& b, double e) {
    float f = static_cast<float>(e);
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f, a.w + (b.w - a.w) * f};
}

// Finds, scanning back from the end, the last keyframe whose time is <= t and eases
// toward its successor. Keys out of time order are not sorted: the scan alone decides.
// Before the first key, or for t = NaN, the first key's value holds.
template <typename T>
T Evaluate(const std::vector<Keyframe<T>>& keys, double t) {
    if (keys.empty()) return T{};
    size_t count = keys.size();
    if (count < 2) return keys[0].value;
    size_t k = count;
    while (k > 0 && !(keys[k - 1].time <= t)) --k;
    if (k == 0) return keys[0].value;
    const Keyframe<T>& from = keys[k - 1];
    if (k == count) return from.value;
    const Keyframe<T>& to = keys[k];
    double d = to.time - from.time;
    if (d == 0.0) return from.value;
    double x = (t - from.time) / d;
    return Interpolate(from.value, to.value, from.ease(x));
}

template <typename T>
std::vector<Keyframe<T>> WithEases(std::vector<Keyframe<T>> keys) {
    for (Keyframe<T>& key : keys) {
        if (!key.ease) key.ease = Ease_Snap;
    }
    return keys;
}

}  // namespace

ParamVariant::ParamVariant(std::string value) : mType(ParamType::String), mString(std::move(value)) {}

ParamVariant::ParamVariant(int value) : mType(ParamType::Int), mInt(value) {}

ParamVariant::ParamVariant(std::vector<DoubleKeyframe> keys)
    : mType(ParamType::Double), mDoubleKeys(WithEases(std::move(keys))) {}

ParamVariant::ParamVariant(std::vector<Vec2Keyframe> keys)
    : mType(ParamType::Vec2), mVec2Keys(WithEases(std::move(keys))) {}

ParamVariant::ParamVariant(std::vector<Vec3Keyframe> keys)
    : mType(ParamType::Vec3), mVec3Keys(WithEases(std::move(keys))) {}

ParamVariant::ParamVariant(std::vector<Vec4Keyframe> keys)
    : mType(ParamType::Vec4), mVec4Keys(WithEases(std::move(keys))) {}

const std::string& ParamVariant::GetAsString() const {
    if (mType != ParamType::String) LOG("Accessing param as the wrong type");
    return mString;
}

int ParamVariant::GetAsInt() const {
    if (mType != ParamType::Int) LOG("Accessing param as the wrong type");
    return mInt;
}

double ParamVariant::GetAsDouble(double time) const {
    if (mType != ParamType::Double) {
        LOG("Accessing param as the wrong type");
        return 0.0;
    }
    return Evaluate(mDoubleKeys, time);
}

vec2 ParamVariant::GetAsVec2(double time) const {
    if (mType != ParamType::Vec2) {
        LOG("Accessing param as the wrong type");
        return {};
    }
    return Evaluate(mVec2Keys, time);
}

vec3 ParamVariant::GetAsVec3(double time) const {
    if (mType != ParamType::Vec3) {
        LOG("Accessing param as the wrong type");
        return {};
    }
    return Evaluate(mVec3Keys, time);
}

vec4 ParamVariant::GetAsVec4(double time) const {
    if (mType != ParamType::Vec4) {
        LOG("Accessing param as the wrong type");
        return {};
    }
    return Evaluate(mVec4Keys, time);
}
