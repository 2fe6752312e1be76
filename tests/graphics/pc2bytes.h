#pragma once
// Builds PC2 point-cache files in memory for tests: little-endian, either header form.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "system/vec.h"

namespace pc2bytes {

struct Header {
    bool shifted = false;  // byte 1 zero: everything 12 bytes later
    int32_t version = 1;
    int32_t points = 0;
    float rate = 30.0f;
    int32_t samples = 0;
};

inline void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
inline void PutF32(std::string& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

// The header followed by the positions as given (sample after sample).
inline std::string Make(const Header& h, const std::vector<vec3>& positions) {
    std::string out;
    if (h.shifted) out.append(12, '\0');
    std::string signature = h.shifted ? std::string(12, '\0') : std::string("POINTCACHE2", 11) + '\0';
    out += signature;
    PutU32(out, uint32_t(h.version));
    PutU32(out, uint32_t(h.points));
    PutF32(out, 0.0f);
    PutF32(out, h.rate);
    PutU32(out, uint32_t(h.samples));
    for (const vec3& p : positions) {
        PutF32(out, p.x);
        PutF32(out, p.y);
        PutF32(out, p.z);
    }
    return out;
}

}  // namespace pc2bytes
