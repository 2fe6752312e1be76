#pragma once
// GL names are only valid while the context that made them exists. Every GL-owning object
// remembers the generation of the context it was made in and deletes its names only while
// that context is still alive, so objects outliving the device (globals destroyed at process
// exit) release nothing and touch no GL.
#include <cstdint>

namespace gpu {

// Generation of the live context, 0 when there is none.
uint32_t LiveGlGeneration();
// Starts a new generation (device created) or ends the current one (device destroyed).
uint32_t BeginGlGeneration();
void EndGlGeneration();

// Counts deletions of GL names. A name may be reused after deletion, so caches of what GL
// has bound are dropped whenever this changes.
uint64_t GlDeletionEpoch();
void NoteGlDeletion();

inline bool GlAlive(uint32_t generation) { return generation != 0 && generation == LiveGlGeneration(); }

}  // namespace gpu
