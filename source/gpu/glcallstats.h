#pragma once
// Counts the GL calls of the gpu layer and the CPU time the calling thread spends inside
// them, so a benchmark can tell the engine's own CPU time from the driver's. CPU time, not
// wall time: on a busy machine a thread that waits or is descheduled costs nothing. Off by default: while off, GL calls
// go straight to the driver.
#include <cstdint>

namespace gpu {

struct GlCallStats {
    uint64_t calls = 0;
    double seconds = 0.0;  // the calling thread's CPU time inside GL calls
};

// Turns counting on or off. Turning it on hooks the calls again, so call it (or
// ResetGlCallStats) after the first frame too: the loader swaps in the driver's entry points
// on first use.
void EnableGlCallStats(bool enable);
// Zeroes the counters and re-hooks any entry point the loader resolved since.
void ResetGlCallStats();
const GlCallStats& GetGlCallStats();
// The clock the counters use: the calling thread's CPU time in seconds.
double ThreadCpuSeconds();

}  // namespace gpu
