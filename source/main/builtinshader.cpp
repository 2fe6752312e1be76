#include "main/builtinshader.h"

#include <string>

#include "hlsl/hlslcompiler.h"
#include "system/log.h"

std::shared_ptr<const gpu::ShaderBlob> TranslateBuiltInShader(std::string_view source, const char* name,
                                                              const char* entry, const char* profile) {
    gpu::CompileRequest request;
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = name;
    request.entryPoint = entry;
    request.profile = profile;
    std::string errors;
    auto blob = gpu::CompileHLSL(request, &errors);
    if (!blob) LOG("%s shader '%s' does not compile: %s", name, entry, errors.c_str());
    return blob;
}
