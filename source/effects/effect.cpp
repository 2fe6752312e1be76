#include "effects/effect.h"

#include "effects/effectprofiler.h"
#include "system/globals.h"
#include "system/log.h"

namespace Effects {

bool Effect::LoadEffects(pugi::xml_node element, EffectList& list) {
    for (pugi::xml_node child = element.child("effect"); child; child = child.next_sibling("effect")) {
        std::string type = child.attribute("type").as_string();
        std::unique_ptr<Effect> effect = CreateEffect(type);
        if (!effect) {
            LOG("Unknown effect type '%s'", type.c_str());
            return false;
        }
        if (!effect->Load(child)) {
            LOG("Failed to load effect '%s'", type.c_str());
            return false;
        }
        effect->type_ = std::move(type);
        list.push_back(std::move(effect));
    }
    return true;
}

bool Effect::Load(pugi::xml_node element) {
    if (!LoadEffects(element, children_)) return false;
    if (!params_.Load(element)) return false;
    start_ = element.attribute("start").as_double(0.0);
    length_ = element.attribute("length").as_double(99999.0);
    speed_ = element.attribute("speed").as_double(1.0);
    active_ = element.attribute("active").as_bool(true);
    activeToggleKey_ = element.attribute("activeToggleKey").as_int(-1);
    if (activeToggleKey_ != -1 && (activeToggleKey_ < 0 || activeToggleKey_ >= static_cast<int>(gToggleKeyStates.size()))) {
        // There are ten toggle keys (0-9); a binding to anything else is ignored.
        LOG("Ignoring activeToggleKey %d: toggle keys are 0 to 9", activeToggleKey_);
    }
    return true;
}

bool Effect::InitEffects(EffectList& list, const ProgressCallback& progress) {
    progress(0.0f);
    const float n = static_cast<float>(list.size());
    bool allInitialised = true;
    for (size_t i = 0; i < list.size(); ++i) {
        if (gQuit) return false;  // quitting stops the load
        const float start = static_cast<float>(i) / n;
        const float end = static_cast<float>(i + 1) / n;
        // A failed effect stays in the tree showing its own failure state (a failure colour,
        // or nothing); the others are still initialised so the show goes on without it.
        if (!list[i]->Init(start, end, progress)) {
            if (gQuit) return false;
            LOG("Failed to init effect");
            allInitialised = false;
        }
    }
    progress(1.0f);
    return allInitialised;
}

bool Effect::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    progress(progressStart);
    const float n = static_cast<float>(children_.size());
    const float range = progressEnd - progressStart;
    bool allInitialised = true;
    for (size_t i = 0; i < children_.size(); ++i) {
        if (gQuit) return false;  // quitting stops the load
        const float start = progressStart + static_cast<float>(i) / n * range;
        const float end = progressStart + static_cast<float>(i + 1) / n * range;
        if (!children_[i]->Init(start, end, progress)) allInitialised = false;
    }
    progress(progressEnd);
    return allInitialised;
}

bool Effect::IsEffectivelyActive() const {
    bool active = active_;
    if (activeToggleKey_ >= 0 && activeToggleKey_ < static_cast<int>(gToggleKeyStates.size()) &&
        !gToggleKeyStates[activeToggleKey_]) {
        active = !active;
    }
    return active;
}

void Effect::Update(double time, DynamicTexturePair& frameChain) {
    if (!CoversTime(time) || !IsEffectivelyActive()) return;
    const double local = LocalTime(time);
    EffectProfiler* profiler = GetEffectProfiler();
    if (profiler) profiler->Begin(*this);
    Render(local, frameChain);
    if (profiler) profiler->End(*this);
    for (const std::unique_ptr<Effect>& child : children_) child->Update(local, frameChain);
}

bool Effect::HasParam(const std::string& name) const { return params_.Has(name); }

const ParamVariant& Effect::GetParam(const std::string& name) const { return params_.Get(name); }

std::string Effect::GetParamString(const std::string& name, const std::string& defaultValue) const {
    return params_.Has(name) ? params_.Get(name).GetAsString() : defaultValue;
}

int Effect::GetParamInt(const std::string& name, int defaultValue) const {
    return params_.Has(name) ? params_.Get(name).GetAsInt() : defaultValue;
}

double Effect::GetParamDouble(const std::string& name, double time, double defaultValue) const {
    return params_.Has(name) ? params_.Get(name).GetAsDouble(time) : defaultValue;
}

vec3 Effect::GetParamVec3(const std::string& name, double time, const vec3& defaultValue) const {
    return params_.Has(name) ? params_.Get(name).GetAsVec3(time) : defaultValue;
}

}  // namespace Effects
