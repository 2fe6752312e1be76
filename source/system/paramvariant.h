#pragma once
// One named effect parameter: a string, an int, or a list of keyframes of a double or a
// vector, evaluated at the effect's local time. Immutable once created.
#include <string>
#include <vector>

#include "system/easing.h"
#include "system/vec.h"

// The numbers are part of the format's definition and keep this order.
enum class ParamType { None = 0, String = 1, Vec2 = 2, Vec3 = 3, Vec4 = 4, Int = 5, Double = 6 };

// One keyframe: its time in the effect's local time, the ease of the segment that starts
// here, and the value.
template <typename T>
struct Keyframe {
    double time = 0.0;
    EaseFunction ease = Ease_Linear;
    T value{};
};

using DoubleKeyframe = Keyframe<double>;
using Vec2Keyframe = Keyframe<vec2>;
using Vec3Keyframe = Keyframe<vec3>;
using Vec4Keyframe = Keyframe<vec4>;

class ParamVariant {
public:
    // Type none: the default entry of a parameter set.
    ParamVariant() = default;
    explicit ParamVariant(std::string value);
    explicit ParamVariant(int value);
    // Keyframes stay in the given order; they are never sorted. A missing ease becomes Snap.
    explicit ParamVariant(std::vector<DoubleKeyframe> keys);
    explicit ParamVariant(std::vector<Vec2Keyframe> keys);
    explicit ParamVariant(std::vector<Vec3Keyframe> keys);
    explicit ParamVariant(std::vector<Vec4Keyframe> keys);

    ParamType GetType() const { return mType; }

    // Each getter logs "Accessing param as the wrong type" on every call to a variant of
    // another type. The keyframed getters then return zero; GetAsString and GetAsInt
    // return the stored value, which is empty or 0 for every other type.
    const std::string& GetAsString() const;
    int GetAsInt() const;
    double GetAsDouble(double time) const;
    vec2 GetAsVec2(double time) const;
    vec3 GetAsVec3(double time) const;
    vec4 GetAsVec4(double time) const;

    const std::vector<DoubleKeyframe>& GetDoubleKeys() const { return mDoubleKeys; }
    const std::vector<Vec2Keyframe>& GetVec2Keys() const { return mVec2Keys; }
    const std::vector<Vec3Keyframe>& GetVec3Keys() const { return mVec3Keys; }
    const std::vector<Vec4Keyframe>& GetVec4Keys() const { return mVec4Keys; }

private:
    ParamType mType = ParamType::None;
    std::string mString;
    int mInt = 0;
    std::vector<Vec2Keyframe> mVec2Keys;
    std::vector<Vec3Keyframe> mVec3Keys;
    std::vector<Vec4Keyframe> mVec4Keys;
    std::vector<DoubleKeyframe> mDoubleKeys;
};
