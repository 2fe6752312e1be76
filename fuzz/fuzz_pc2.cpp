// PC2 point caches; the first byte picks the point count the model expects.
#include <cstddef>
#include <cstdint>

#include "graphics/pc2reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Pc2Animation animation = ReadPc2(data + 1, size - 1, data[0]);
    if (animation.error == Pc2Error::None && animation.sampleCount > 0)
        animation.Sample(size_t(animation.sampleCount) - 1);
    return 0;
}
