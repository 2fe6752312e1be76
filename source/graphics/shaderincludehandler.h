#pragma once
// Resolves #include directives of HLSL files inside the data file system.
#include <string>

#include "hlsl/hlslcompiler.h"

class ShaderIncludeHandler : public gpu::IncludeHandler {
public:
    // Reads the file of that name from the root of the data file system. Logs "Failed to
    // find shader include '%s'" when it cannot be opened (or is too large to be a shader).
    bool Open(const std::string& name, std::string* contents) override;
    bool Exists(const std::string& name) override;
};

// The one handler handed to every compile.
ShaderIncludeHandler& GetShaderIncludeHandler();
