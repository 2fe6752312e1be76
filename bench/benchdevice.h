#pragma once
// The set-up the scene benchmarks share: the headless device at width x height and the
// bundled data folder mounted, once per process.
#include <physfs.h>

#include <cstdio>

#include "support/gputest.h"
#include "system/audio.h"

inline bool SetUpBenchDevice(int width, int height) {
    static bool ready = [width, height] {
        if (!InitTestDevice(width, height, false)) return false;
        if (!PHYSFS_init(nullptr)) return false;
        return PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
    }();
    return ready;
}

// The set-up of the benchmarks that play a whole script: the bundled data folder with the
// test shows beside it, the headless device, and sound that goes nowhere. Says why on failure.
inline bool SetUpShowBench(const char* argv0, int width, int height) {
    if (!PHYSFS_init(argv0) || !PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", "/", 0) ||
        !PHYSFS_mount(LUMIVANE_SOURCE_DIR "/tests/data/show", "/", 1)) {
        std::fprintf(stderr, "cannot mount the bundled show\n");
        return false;
    }
    if (!InitTestDevice(width, height)) {
        std::fprintf(stderr, "no device\n");
        return false;
    }
    Audio_SetNullOutput(true);
    return true;
}
