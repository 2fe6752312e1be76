#pragma once
// The base of the effect tree. An effect owns its children, its parameters and four timeline
// attributes; it runs when the time handed to it lies in [start, start + length] and it is
// active (a toggle key may invert that), renders at its local time, then updates its children
// with that local time.
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "effects/progresscallback.h"
#include "system/params.h"
#include "system/vec.h"

class DynamicTexturePair;

namespace Effects {

class Effect;

// A shader file and the entries an effect may draw with from it.
struct ShaderUse {
    std::string file;
    std::vector<std::string> vertexEntries;
    std::vector<std::string> pixelEntries;
};

using EffectList = std::vector<std::unique_ptr<Effect>>;

class Effect {
public:
    Effect() = default;
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // Creates every "effect" child of `element` by its type name and appends it to `list`.
    // Stops at the first unknown type or failed load; effects appended before stay.
    static bool LoadEffects(pugi::xml_node element, EffectList& list);
    // Initialises a top-level list, reporting progress 0, each effect's equal share, then 1.
    // A failed effect is logged and stays in the list; false when any failed. Like Init,
    // stops with false once gQuit is set, so quitting ends a long load.
    static bool InitEffects(EffectList& list, const ProgressCallback& progress);

    // Reads one effect element: children first, then the parameters and the attributes.
    bool Load(pugi::xml_node element);

    // Initialises the children over equal shares of [progressStart, progressEnd]; false when
    // any child failed (the others are initialised all the same).
    virtual bool Init(float progressStart, float progressEnd, const ProgressCallback& progress);
    virtual void Update(double time, DynamicTexturePair& frameChain);
    virtual void Render(double time, DynamicTexturePair& frameChain) = 0;
    // Every shader entry the effect may draw with, loaded yet or not ("-check" compiles each).
    virtual std::vector<ShaderUse> GetShaderUses() const { return {}; }

    bool HasParam(const std::string& name) const;
    const ParamVariant& GetParam(const std::string& name) const;
    std::string GetParamString(const std::string& name, const std::string& defaultValue) const;
    int GetParamInt(const std::string& name, int defaultValue) const;
    double GetParamDouble(const std::string& name, double time, double defaultValue) const;
    vec3 GetParamVec3(const std::string& name, double time, const vec3& defaultValue) const;
    // vec2/vec4 parameters have no default form: they go through HasParam and GetParam.

    double GetStart() const { return start_; }
    double GetLength() const { return length_; }
    double GetSpeed() const { return speed_; }
    bool GetActive() const { return active_; }
    int GetActiveToggleKey() const { return activeToggleKey_; }
    const EffectList& GetChildren() const { return children_; }
    // The script's type name ("Bloom"), for profiles.
    const std::string& GetType() const { return type_; }

protected:
    // The activity after the toggle key: a key switched off inverts "active".
    bool IsEffectivelyActive() const;
    // Local time of a parent time: (time - start) * speed.
    double LocalTime(double time) const { return (time - start_) * speed_; }
    bool CoversTime(double time) const { return !(start_ > time || time > start_ + length_); }

    EffectList children_;
    double start_ = 0.0;
    double length_ = 99999.0;
    double speed_ = 1.0;
    bool active_ = true;
    int activeToggleKey_ = -1;
    Params params_;
    std::string type_;
};

// The factory: a new effect of the named class, or null for a name outside the table.
// Names are compared exactly, case included.
std::unique_ptr<Effect> CreateEffect(const std::string& type);

}  // namespace Effects
