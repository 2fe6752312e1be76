// The closed table of effect classes a script can name.

#include "effects/effect.h"
#include "effects/ballswarm.h"
#include "effects/bloom.h"
#include "effects/blur.h"
#include "effects/boxes.h"
#include "effects/boxline.h"
#include "effects/camerascene.h"
#include "effects/city.h"
#include "effects/cls.h"
#include "effects/connections.h"
#include "effects/crosses.h"
#include "effects/floaters.h"
#include "effects/flyers.h"
#include "effects/fullscreenshader.h"
#include "effects/fullscreenshadereffect.h"
#include "effects/hsl.h"
#include "effects/lightscene.h"
#include "effects/lut3d.h"
#include "effects/rendertarget.h"
#include "effects/repeatingmodels.h"
#include "effects/rgbsplit.h"
#include "effects/shader3d.h"
#include "effects/strands.h"
#include "effects/threedeetest.h"
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
    {"Bloom", Make<Bloom>},
    {"Blur", Make<Blur>},
    {"Boxes", Make<Boxes>},
    {"BoxLine", Make<BoxLine>},
    {"CameraScene", Make<CameraScene>},
    {"City", Make<City>},
    {"CLS", Make<CLS>},
    {"Connections", Make<Connections>},
    {"Crosses", Make<Crosses>},
    {"BallSwarm", Make<BallSwarm>},
    {"Floaters", Make<Floaters>},
    {"Flyers", Make<Flyers>},
    {"FullScreenShader", Make<FullScreenShader>},
    {"FullScreenShaderEffect", Make<FullScreenShaderEffect>},
    {"HSL", Make<HSL>},
    {"LightScene", Make<LightScene>},
    {"Lut3D", Make<Lut3D>},
    {"RenderTarget", Make<RenderTarget>},
    {"RepeatingModels", Make<RepeatingModels>},
    {"RGBSplit", Make<RGBSplit>},
    {"Shader3D", Make<Shader3D>},
    {"Strands", Make<Strands>},
    {"ThreeDeeTest", Make<ThreeDeeTest>},
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
