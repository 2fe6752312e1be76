#pragma once
// Reads the MTL subset the player understands into plain material records: "newmtl",
// "Ka", "Kd", "Ke" (three values), "Ns" and "map_Ka", "map_Kd", "map_Ke". Other lines,
// "Ks" among them, and every line before the first "newmtl" are ignored. No GPU work: maps
// are file names that the caller turns into textures.
#include <cstddef>
#include <map>
#include <string>

extern const char kDefaultMapName[];  // "1x1white.png"

struct MtlMaterial {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0.5f, 0.5f, 0.5f, 1};
    float emissive[4] = {0, 0, 0, 1};
    float specular[4] = {1, 1, 1, 1};
    float specularPower = 1.0f;
    std::string ambientMap = kDefaultMapName;
    std::string diffuseMap = kDefaultMapName;
    std::string emissiveMap = kDefaultMapName;
};

// Parses `size` bytes of MTL text into `materials` (adding to or resetting entries there).
// Map names become `directory` + the name as written.
void ParseMtl(const char* text, size_t size, const std::string& directory,
              std::map<std::string, MtlMaterial>* materials);
