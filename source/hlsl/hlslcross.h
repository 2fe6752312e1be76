#pragma once
// SPIR-V from the HLSL front end -> GLSL 4.50 with SPIRV-Cross, filling the blob's tables:
// D3D slots recovered from the shifted bindings, GL bindings and texture units per stage,
// constant buffers moved to std140, varying locations from semantics.
#include <cstdint>
#include <string>
#include <vector>

#include "hlsl/shaderblob.h"

namespace gpu {

// On failure returns false with a message in *errors.
bool SpirvToBlob(const std::vector<uint32_t>& spirv, ShaderStage stage, ShaderBlob* blob, std::string* errors);

// "TEXCOORD3" -> ("TEXCOORD", 3), upper case; no trailing digits means index 0.
void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index);

}  // namespace gpu
