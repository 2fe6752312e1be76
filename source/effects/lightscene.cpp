#include "effects/lightscene.h"

#include <cmath>
#include <string>

#include "graphics/lightlist.h"

namespace Effects {
namespace {

void SetVec3(float* out, const vec3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
    out[3] = 0.0f;
}

// A zero direction stays zero instead of becoming NaN.
vec3 Normalised(const vec3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f)) return v;
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

LightScene::LightScene() : buffers_(std::make_shared<LightBuffers>()) {
    for (int i = 0; i < kNumberedLights; ++i) {
        const std::string prefix = {'L', char('0' + i)};  // indices 0..6
        names_[i] = {prefix + "Type",     prefix + "Direction",   prefix + "Colour",
                     prefix + "Position", prefix + "MaxDistance", prefix + "FallOff"};
    }
}

LightScene::~LightScene() = default;

void LightScene::Render(double time, DynamicTexturePair& frameChain) {
    gLightList.Clear();

    // One scratch record, overwritten field by field: fields a type does not use keep
    // whatever an earlier record left there.
    LightRecord record;
    record.type = kLightAmbient;
    SetVec3(record.colour, GetParamVec3("ambient", time, vec3{0.2f, 0.2f, 0.2f}));
    gLightList.Append(record);

    const vec3 red{1.0f, 0.0f, 0.0f};
    for (const LightNames& names : names_) {
        const std::string type = GetParamString(names.type, "");
        if (type == "Directional") {
            record.type = kLightDirectional;
            SetVec3(record.direction, Normalised(GetParamVec3(names.direction, time, vec3{-1.0f, 0.0f, 0.0f})));
            SetVec3(record.colour, GetParamVec3(names.colour, time, red));
            gLightList.Append(record);
        } else if (type == "Point") {
            record.type = kLightPoint;
            SetVec3(record.position, GetParamVec3(names.position, time, vec3{}));
            SetVec3(record.colour, GetParamVec3(names.colour, time, red));
            record.maxDistance = static_cast<float>(GetParamDouble(names.maxDistance, time, 500.0));
            record.fallOff = static_cast<float>(GetParamDouble(names.fallOff, time, 1.0));
            gLightList.Append(record);
        }
    }

    // Names too long for a short string, made once rather than every frame.
    static const std::string kVisibilityMin = "visibilityFallOffMin", kVisibilityMax = "visibilityFallOffMax";
    buffers_->SetVisibility(static_cast<float>(GetParamDouble(kVisibilityMin, time, 10000.0)),
                            static_cast<float>(GetParamDouble(kVisibilityMax, time, 10000.0)));
    SetCurrentLightBuffers(buffers_);
    UploadLights();
}

}  // namespace Effects
