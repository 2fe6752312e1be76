#pragma once
// Varying and vertex-attribute locations come from the semantic name, so that every stage
// and every input layout agree on them whatever order a struct lists its members in.
#include <cstdint>
#include <string_view>

namespace gpu {

// Fixed location for a user semantic ("TEXCOORD", 1) -> the same number everywhere.
// Case-insensitive, like HLSL semantics. Returns -1 for system values ("SV_...").
int SemanticLocation(std::string_view semantic, uint32_t index);

}  // namespace gpu
