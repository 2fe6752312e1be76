// The closed table of effect classes a script can name.

#include "effects/effect.h"
#include "effects/unavailableeffect.h"

namespace Effects {
namespace {

using Maker = std::unique_ptr<Effect> (*)();

template <typename T>
std::unique_ptr<Effect> Make() {
    return std::make_unique<T>();
}

struct FactoryEntry {
    const char* type;
    Maker make;  // null: the class is not part of this version yet
};

// Compared in this order; the first exact match is created.
const FactoryEntry kFactory[] = {
    {"Bloom", nullptr},
    {"Blur", nullptr},
    {"Boxes", nullptr},
    {"BoxLine", nullptr},
    {"CameraScene", nullptr},
    {"City", nullptr},
    {"CLS", nullptr},
    {"Connections", nullptr},
    {"Crosses", nullptr},
    {"BallSwarm", nullptr},
    {"Floaters", nullptr},
    {"Flyers", nullptr},
    {"FullScreenShader", nullptr},
    {"FullScreenShaderEffect", nullptr},
    {"HSL", nullptr},
    {"LightScene", nullptr},
    {"Lut3D", nullptr},
    {"RenderTarget", nullptr},
    {"RepeatingModels", nullptr},
    {"RGBSplit", nullptr},
    {"Shader3D", nullptr},
    {"Strands", nullptr},
    {"ThreeDeeTest", nullptr},
};

}  // namespace

std::unique_ptr<Effect> CreateEffect(const std::string& type) {
    for (const FactoryEntry& entry : kFactory) {
        if (type == entry.type) {
            if (entry.make) return entry.make();
            return std::make_unique<UnavailableEffect>(type);
        }
    }
    return nullptr;
}

}  // namespace Effects
