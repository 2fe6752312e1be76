#include "graphics/mtlparser.h"

#include "graphics/textscanner.h"

const char kDefaultMapName[] = "1x1white.png";

namespace {

// "K? %f %f %f": applied only when all three values are there; alpha becomes 1.
void ReadColour(const char* begin, const char* end, float colour[4]) {
    text::Scanner s(begin + 2, end);
    float rgb[3];
    if (!s.Float(&rgb[0]) || !s.Float(&rgb[1]) || !s.Float(&rgb[2])) return;
    colour[0] = rgb[0];
    colour[1] = rgb[1];
    colour[2] = rgb[2];
    colour[3] = 1.0f;
}

}  // namespace

void ParseMtl(const char* text, size_t size, const std::string& directory,
              std::map<std::string, MtlMaterial>* materials) {
    MtlMaterial* current = nullptr;
    std::string name;
    text::ForEachLine(text, size, [&](const char* begin, const char* end) {
        if (end - begin < 2) return;
        const char a = begin[0], b = begin[1];
        text::Scanner s(begin, end);
        if (a == 'n') {
            if (s.Literal("newmtl") && s.Word(&name)) {
                current = &(*materials)[name];
                *current = MtlMaterial{};
            }
            return;
        }
        if (!current) return;
        if (a == 'K' && b == 'a') ReadColour(begin, end, current->ambient);
        else if (a == 'K' && b == 'd') ReadColour(begin, end, current->diffuse);
        else if (a == 'K' && b == 'e') ReadColour(begin, end, current->emissive);
        else if (a == 'N' && b == 's') {
            float power;
            if (s.Literal("Ns") && s.Float(&power)) current->specularPower = power > 0.0f ? power : 0.0f;
        } else if (a == 'm' && b == 'a') {
            std::string* maps[3] = {&current->ambientMap, &current->diffuseMap, &current->emissiveMap};
            const char* keywords[3] = {"map_Ka", "map_Kd", "map_Ke"};
            for (int i = 0; i < 3; ++i) {
                text::Scanner m(begin, end);
                if (m.Literal(keywords[i]) && m.Word(&name)) {
                    *maps[i] = directory + name;
                    break;
                }
            }
        }
    });
}
