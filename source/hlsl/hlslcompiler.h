#pragma once
// Run-time HLSL compilation, the counterpart of D3DCompile: HLSL source -> SPIR-V (glslang)
// -> GLSL 4.50 (SPIRV-Cross) with the slot tables of gpu::ShaderBlob.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "hlsl/shaderblob.h"

namespace gpu {

// Largest source (the file and its includes together) accepted. Real shaders are a few
// kilobytes; megabytes of code would keep the compiler busy for minutes.
constexpr size_t kHlslMaxSourceBytes = 1 << 20;

// Resolves #include directives. Open returns false when the file cannot be found; the
// handler logs that itself. An include is looked for next to the file that includes it
// first (asked quietly through Exists), then by its name exactly as written.
class IncludeHandler {
public:
    virtual ~IncludeHandler() = default;
    virtual bool Open(const std::string& name, std::string* contents) = 0;
    virtual bool Exists(const std::string& name) { return false; }
};

struct ShaderMacro {
    std::string name;
    std::string value;
};

struct CompileRequest {
    const char* source = nullptr;   // HLSL text, not necessarily zero-terminated
    size_t sourceLength = 0;
    std::string sourceName;         // file name shown in error messages
    std::string entryPoint;
    std::string profile;            // "vs_4_0" or "ps_4_0" (vs_5_0 / ps_5_0 accepted too)
    std::vector<ShaderMacro> macros;
    IncludeHandler* includes = nullptr;  // null: includes fail
};

// Translates one entry point. On failure returns null and fills *errors with the
// compiler's messages ("file(line): error: ..."), or leaves it empty when none were given.
// Results are cached by a hash of the source with its includes, the macros, the entry
// point and the profile, so a hot reload recompiles only what changed.
std::shared_ptr<const ShaderBlob> CompileHLSL(const CompileRequest& request, std::string* errors);

// Removes effect-framework blocks (technique, technique10, technique11, pass, and state
// object blocks such as BlendState or SamplerState with initialisers) so that files written
// for the effect framework still compile by their plain entry points. Line numbers are kept.
std::string StripEffectFramework(const std::string& source);

}  // namespace gpu
