#include "hlsl/semantics.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace gpu {
namespace {

constexpr int kFirstCustomLocation = 16;
constexpr int kLocationCount = 32;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// The common semantics have fixed locations below 16. TEXCOORDn are consecutive, so that a
// matrix or array varying at TEXCOORDn covers the locations of the TEXCOORDs after it, as
// its rows do in D3D.
int KnownLocation(const std::string& name, uint32_t index) {
    if (name == "POSITION" && index == 0) return 0;
    if (name == "TEXCOORD" && index <= 9) return 1 + static_cast<int>(index);
    if (name == "NORMAL" && index == 0) return 11;
    if (name == "COLOR" && index <= 1) return 12 + static_cast<int>(index);
    if (name == "TANGENT" && index == 0) return 14;
    if (name == "BINORMAL" && index == 0) return 15;
    return -1;
}

}  // namespace

int SemanticLocation(std::string_view semantic, uint32_t index) {
    std::string name = Upper(semantic);
    if (name.rfind("SV_", 0) == 0) return -1;
    int known = KnownLocation(name, index);
    if (known >= 0) return known;

    // Other semantics get the next free location of this process, the same for every stage.
    static std::mutex lock;
    static std::unordered_map<std::string, int> assigned;
    std::lock_guard<std::mutex> guard(lock);
    std::string key = name + "#" + std::to_string(index);
    auto it = assigned.find(key);
    if (it != assigned.end()) return it->second;
    int location = kFirstCustomLocation + static_cast<int>(assigned.size());
    if (location >= kLocationCount) {
        // Out of locations: share one by hash. Two such semantics in one shader would clash.
        location = kFirstCustomLocation + static_cast<int>(std::hash<std::string>{}(key) % (kLocationCount - kFirstCustomLocation));
    }
    assigned.emplace(key, location);
    return location;
}

}  // namespace gpu
