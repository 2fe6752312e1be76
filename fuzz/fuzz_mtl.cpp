// MTL material libraries.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "graphics/mtlparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::map<std::string, MtlMaterial> materials;
    ParseMtl(reinterpret_cast<const char*>(data), size, "models/", &materials);
    return 0;
}
