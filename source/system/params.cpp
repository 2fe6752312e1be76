#include "system/params.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "system/log.h"

namespace {

// strtod's leading numeric prefix; no number reads as 0. A missing attribute reads as "".
double ReadDouble(pugi::xml_attribute attribute) { return std::strtod(attribute.value(), nullptr); }

float ReadFloat(pugi::xml_attribute attribute) { return static_cast<float>(ReadDouble(attribute)); }

// Optional white space and "-", then hexadecimal after "0x"/"0X", decimal otherwise, read
// with strtol's rules. Values beyond the 32-bit range saturate rather than wrap.
int ReadInt(pugi::xml_attribute attribute) {
    const char* text = attribute.value();
    const char* s = text;
    while (std::isspace(static_cast<unsigned char>(*s))) ++s;
    if (*s == '-') ++s;
    int base = (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) ? 16 : 10;
    long long value = std::strtoll(text, nullptr, base);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

void ReadValue(pugi::xml_node node, double& value) { value = ReadDouble(node.attribute("value")); }

void ReadValue(pugi::xml_node node, vec2& value) {
    value = {ReadFloat(node.attribute("x")), ReadFloat(node.attribute("y"))};
}

void ReadValue(pugi::xml_node node, vec3& value) {
    value = {ReadFloat(node.attribute("x")), ReadFloat(node.attribute("y")), ReadFloat(node.attribute("z"))};
}

void ReadValue(pugi::xml_node node, vec4& value) {
    value = {ReadFloat(node.attribute("x")), ReadFloat(node.attribute("y")), ReadFloat(node.attribute("z")),
             ReadFloat(node.attribute("w"))};
}

// One keyframe per "key" child; without any, the constant form: one Snap keyframe at
// time 0 holding the "param" element's own value attributes.
template <typename T>
ParamVariant ReadKeyframes(pugi::xml_node param) {
    std::vector<Keyframe<T>> keys;
    for (pugi::xml_node key = param.child("key"); key; key = key.next_sibling("key")) {
        Keyframe<T>& frame = keys.emplace_back();
        frame.time = ReadDouble(key.attribute("time"));
        pugi::xml_attribute ease = key.attribute("ease");
        frame.ease = ease ? Params::GetEaseFunction(ease.value()) : Ease_Linear;
        ReadValue(key, frame.value);
    }
    if (keys.empty()) {
        Keyframe<T>& frame = keys.emplace_back();
        frame.time = 0.0;
        frame.ease = Ease_Snap;
        ReadValue(param, frame.value);
    }
    return ParamVariant(std::move(keys));
}

}  // namespace

Params::Params() { mParams.emplace(std::string(), ParamVariant()); }

bool Params::Load(pugi::xml_node element) {
    for (pugi::xml_node param = element.child("param"); param; param = param.next_sibling("param")) {
        std::string type = param.attribute("type").value();
        std::string name = param.attribute("key").value();
        ParamVariant variant;
        if (type == "double") {
            variant = ReadKeyframes<double>(param);
        } else if (type == "vec2") {
            variant = ReadKeyframes<vec2>(param);
        } else if (type == "vec3") {
            variant = ReadKeyframes<vec3>(param);
        } else if (type == "vec4") {
            variant = ReadKeyframes<vec4>(param);
        } else if (type == "int") {
            variant = ParamVariant(ReadInt(param.attribute("value")));
        } else if (type == "string") {
            variant = ParamVariant(std::string(param.attribute("value").value()));
        } else {
            LOG("Unknown param type '%s'", type.c_str());
            return false;
        }
        mParams.insert_or_assign(std::move(name), std::move(variant));
    }
    return true;
}

bool Params::Has(const std::string& name) const { return mParams.find(name) != mParams.end(); }

const ParamVariant& Params::Get(const std::string& name) const {
    auto found = mParams.find(name);
    if (found != mParams.end()) return found->second;
    LOG("Couldn't find param '%s'", name.c_str());
    found = mParams.find(std::string_view());
    if (found != mParams.end()) return found->second;
    // Only a moved-from set lacks the default entry.
    static const ParamVariant none;
    return none;
}

EaseFunction Params::GetEaseFunction(const std::string& name) {
    if (EaseFunction function = Ease_Find(name)) return function;
    // Named explicitly: the LOG macro cannot derive a qualified name from the signature of
    // a function that returns a function pointer.
    LogAt(__FILE__, __LINE__, "Params::GetEaseFunction", "Unknown ease function '%s', defaulting to Snap",
          name.c_str());
    return Ease_Snap;
}
