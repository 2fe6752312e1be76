#pragma once
// Resolves #include directives of HLSL files from the root of the data file system.
#include <string>

#include "gpu/hlslcompiler.h"

class ShaderIncludeHandler : public gpu::IncludeHandler {
public:
    // Reads the file named exactly as written in the directive (not relative to the
    // including file). Logs "Failed to find shader include '%s'" when it cannot be opened.
    bool Open(const std::string& name, std::string* contents) override;
};

// The one handler handed to every compile.
ShaderIncludeHandler& GetShaderIncludeHandler();
