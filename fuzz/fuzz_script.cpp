// The demo script: XML, its shape check, then every effect created and loaded with its
// parameters and keyframes, on the GL-free gpu layer. Effects are not initialised: that
// reads data files, which the corpus does not hold.
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

#include "effects/effect.h"
#include "effects/scriptshape.h"
#include "graphics/devicestate.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string error;
    gpu::CreateDevice(nullptr, &gDevice, &gContext, &error);
    gScreenWidth = 64;
    gScreenHeight = 36;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pugi::xml_document document;
    if (!document.load_buffer(data, size)) return 0;
    pugi::xml_node demo = document.child("demo");
    demo.attribute("bpm").as_double(60.0);
    demo.attribute("timeOffset").as_double(0.0);
    if (!Effects::CheckScriptShape(demo, uint64_t(64) << 20)) return 0;
    Effects::EffectList effects;
    Effects::Effect::LoadEffects(demo, effects);
    return 0;
}
