#pragma once
// The named parameters of one effect, read from the "param" children of its script element.
//
//   <param key="speed" type="double" value="2"/>                       constant form
//   <param key="color" type="vec3"><key time="0" x="1" ease="QuadraticIn"/>
//                                  <key time="4" y="1"/></param>          keyframed form
//   <param key="count" type="int" value="0x10"/>
//   <param key="texture" type="string" value="noise.png"/>
#include <functional>
#include <map>
#include <string>

#include <pugixml.hpp>

#include "system/easing.h"
#include "system/paramvariant.h"

class Params {
public:
    // Starts with the default entry: the empty name mapped to a variant of type none.
    Params();

    // Reads the "param" children of `element` in document order; a later parameter replaces
    // an earlier one of the same name. An unknown or missing type is logged and stops
    // reading: returns false, keeping the parameters read before it.
    bool Load(pugi::xml_node element);

    bool Has(const std::string& name) const;
    // The named variant; a missing name is logged and yields the empty name's entry.
    const ParamVariant& Get(const std::string& name) const;
    size_t GetCount() const { return mParams.size(); }

    // The ease function called `name`; an unknown name is logged and yields Snap.
    static EaseFunction GetEaseFunction(const std::string& name);

private:
    // Byte-wise ordered by name; the transparent comparator lets lookups skip a copy.
    std::map<std::string, ParamVariant, std::less<>> mParams;
};
