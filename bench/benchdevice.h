#pragma once
// The set-up the scene benchmarks share: the headless device at width x height and the
// bundled data folder mounted, once per process.
#include <physfs.h>

#include "support/gputest.h"

inline bool SetUpBenchDevice(int width, int height) {
    static bool ready = [width, height] {
        if (!InitTestDevice(width, height, false)) return false;
        if (!PHYSFS_init(nullptr)) return false;
        return PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
    }();
    return ready;
}
