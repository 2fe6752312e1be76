#pragma once
// Process-wide cache of translated entry points. An entry is found by its source, macros,
// entry point and profile, and is only used while every include it read still has the same
// text, so a hot reload recompiles just the entry points whose text changed.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "hlsl/hlslcompiler.h"
#include "hlsl/hlslincludes.h"

namespace gpu {

struct HlslCacheResult {
    std::shared_ptr<const ShaderBlob> blob;  // null for a failed translation
    std::string errors;
};

// The identity of one translation apart from its includes.
std::string HlslCacheIdentity(const CompileRequest& request);

// Looks the identity up; reads the remembered includes through *includes to check them.
bool HlslCacheFind(const std::string& identity, HlslIncludes* includes, HlslCacheResult* result);
// Remembers a result along with the includes the translation read.
void HlslCacheStore(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result);
// Forgets everything (tests, benchmarks).
void HlslCacheClear();
size_t HlslCacheSize();

}  // namespace gpu
