#include "effects/effectprofiler.h"

namespace Effects {
namespace {
EffectProfiler* gProfiler = nullptr;
}

void SetEffectProfiler(EffectProfiler* profiler) { gProfiler = profiler; }
EffectProfiler* GetEffectProfiler() { return gProfiler; }

}  // namespace Effects
