#pragma once
// Shared pieces of the HLSL translation tests: includes served from memory and a one-call
// compile.
#include <map>
#include <memory>
#include <string>

#include "hlsl/hlslcompiler.h"
#include "system/log.h"

class MemoryIncludes : public gpu::IncludeHandler {
public:
    bool Open(const std::string& name, std::string* contents) override {
        ++opens[name];
        auto it = files.find(name);
        if (it == files.end()) {
            LOG("Failed to find shader include '%s'", name.c_str());
            return false;
        }
        *contents = it->second;
        return true;
    }
    bool Exists(const std::string& name) override { return files.count(name) != 0; }
    std::map<std::string, std::string> files;
    std::map<std::string, int> opens;
};

inline std::shared_ptr<const gpu::ShaderBlob> Compile(const std::string& source, const std::string& entry,
                                                      const std::string& profile, std::string* errors,
                                                      gpu::IncludeHandler* includes = nullptr,
                                                      const std::string& name = "test.fx") {
    gpu::CompileRequest request;
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = name;
    request.entryPoint = entry;
    request.profile = profile;
    request.includes = includes;
    return gpu::CompileHLSL(request, errors);
}

// The "layout(location = N)" of the GLSL declaration that ends with the given name, or -1.
inline int GlslLocation(const std::string& glsl, const std::string& declaration) {
    size_t at = glsl.find(declaration + ";");
    if (at == std::string::npos) return -1;
    size_t line = glsl.rfind('\n', at);
    size_t loc = glsl.find("location = ", line == std::string::npos ? 0 : line);
    if (loc == std::string::npos || loc > at) return -1;
    return std::stoi(glsl.substr(loc + 11));
}
