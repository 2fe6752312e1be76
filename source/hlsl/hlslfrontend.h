#pragma once
// HLSL -> SPIR-V with glslang's HLSL front end: D3D register classes as binding shifts,
// HLSL packing offsets, semantic names kept as decorations, legalization on.
#include <cstdint>
#include <string>
#include <vector>

#include "hlsl/hlslcompiler.h"
#include "hlsl/hlslincludes.h"

namespace gpu {

// Binding shifts that encode the register class of a resource in its SPIR-V binding.
constexpr uint32_t kHlslShiftConstantBuffer = 0;  // bN
constexpr uint32_t kHlslShiftTexture = 100;       // tN (textures and structured buffers)
constexpr uint32_t kHlslShiftSampler = 200;       // sN
constexpr uint32_t kHlslShiftUav = 300;           // uN

// Deepest #include nesting accepted; deeper (usually a file including itself) fails.
constexpr size_t kHlslMaxIncludeDepth = 32;

// Parses the profile ("vs_4_0", "ps_5_0", ...). False for anything else.
bool HlslProfileStage(const std::string& profile, ShaderStage* stage);

// Compiles one entry point of request to SPIR-V. On failure returns false with the
// messages in *errors as "file(line): error: text" lines.
bool HlslToSpirv(const CompileRequest& request, HlslIncludes* includes, std::vector<uint32_t>* spirv,
                 std::string* errors);

// The include name joined to the directory of the including file, '\' read as '/', "." and
// ".." folded; empty when it would climb above the data root or is absolute.
std::string HlslIncludePath(const std::string& from, const std::string& name);

// Rewrites glslang's "ERROR: file:line: text" lines as "file(line): error: text".
std::string FormatGlslangLog(const std::string& log);

}  // namespace gpu
