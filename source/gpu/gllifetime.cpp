#include "gpu/gllifetime.h"

namespace gpu {
namespace {
uint32_t gLiveGeneration = 0;
uint32_t gLastGeneration = 0;
uint64_t gDeletionEpoch = 0;
}  // namespace

uint32_t LiveGlGeneration() { return gLiveGeneration; }

uint32_t BeginGlGeneration() {
    gLiveGeneration = ++gLastGeneration;
    return gLiveGeneration;
}

void EndGlGeneration() { gLiveGeneration = 0; }

uint64_t GlDeletionEpoch() { return gDeletionEpoch; }

void NoteGlDeletion() { ++gDeletionEpoch; }

}  // namespace gpu
