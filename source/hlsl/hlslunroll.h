#pragma once
// Texture reads whose offset is constant only once a loop is unrolled (an [unroll] loop over a
// static const table of offsets): GLSL needs the offset as a constant expression, so such
// modules get their loops unrolled and constants propagated before they become GLSL.
#include <cstdint>
#include <vector>

namespace gpu {

// True when some image read takes a non-constant offset operand.
bool HasVariableImageOffset(const std::vector<uint32_t>& spirv);

// Unrolls loops and folds constants in place. False (module unchanged) when that fails.
bool UnrollForConstantOffsets(std::vector<uint32_t>* spirv);

}  // namespace gpu
