// .cube colour tables.
#include <cstddef>
#include <cstdint>

#include "graphics/cubeloader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CubeLoader loader(data, uint32_t(size));
    if (loader.GetSucceeded() && loader.GetTexels().size() != size_t(loader.GetSize()) * loader.GetSize() * loader.GetSize() * 4)
        __builtin_trap();
    return 0;
}
