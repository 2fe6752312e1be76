#pragma once
// Script text for effect tests: param elements of each type.
#include <string>

inline std::string Param(const std::string& key, const std::string& type, const std::string& value) {
    return "<param key=\"" + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}
inline std::string Number(const std::string& key, double value) {
    return Param(key, "double", std::to_string(value));
}
inline std::string Text(const std::string& key, const std::string& value) { return Param(key, "string", value); }
inline std::string Vec2Param(const std::string& key, float x, float y) {
    return "<param key=\"" + key + "\" type=\"vec2\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\"/>";
}
inline std::string Vec3Param(const std::string& key, float x, float y, float z) {
    return "<param key=\"" + key + "\" type=\"vec3\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\" z=\"" + std::to_string(z) + "\"/>";
}
// A double keyframed linearly from v0 at t0 to v1 at t1.
inline std::string Ramp(const std::string& key, double t0, double v0, double t1, double v1) {
    return "<param key=\"" + key + "\" type=\"double\"><key time=\"" + std::to_string(t0) + "\" value=\"" +
           std::to_string(v0) + "\" ease=\"Linear\"/><key time=\"" + std::to_string(t1) + "\" value=\"" +
           std::to_string(v1) + "\"/></param>";
}
