#pragma once
// One HLSL source file with its entry points, compiled on demand. Entries are kept by
// name; a change of the file's modification time throws everything away and the entries
// are rebuilt lazily the next time they are made current.
#include <memory>
#include <string>
#include <vector>

#include "gpu/resources.h"
#include "hlsl/shaderblob.h"
#include "system/filewatcher.h"

class Shader {
public:
    explicit Shader(const std::string& fileName);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // Compile and create one entry point unless it is present; true when it is present after.
    bool LoadVS(const std::string& entry);
    bool LoadPS(const std::string& entry);
    // A new input layout of the standard vertex for the named vertex entry, or null.
    gpu::InputLayoutPtr CreateInputLayout(const std::string& vertexEntry);
    // Binds input layout, vertex and pixel shader (note: pixel entry first). True only when
    // all three were bound. Reloads first when the file has changed.
    bool Set(const std::string& pixelEntry, const std::string& vertexEntry);
    // Releases every entry and input layout.
    void Unload();

    const std::string& GetFileName() const { return source_.GetFileName(); }

private:
    struct VertexEntry {
        std::string name;
        std::shared_ptr<const gpu::ShaderBlob> bytecode;  // kept: input layouts are built from it
        gpu::VertexShaderPtr shader;
    };
    struct PixelEntry {
        std::string name;
        std::shared_ptr<const gpu::ShaderBlob> bytecode;
        gpu::PixelShaderPtr shader;
    };
    struct LayoutEntry {
        std::string name;
        gpu::InputLayoutPtr layout;  // may be null: a failed layout stays failed until a reload
    };

    VertexEntry* FindVertex(const std::string& name);
    PixelEntry* FindPixel(const std::string& name);
    std::shared_ptr<const gpu::ShaderBlob> Compile(const std::string& entry, const char* profile, bool* opened,
                                                   std::string* errors);

    FileWatcher source_;
    std::vector<VertexEntry> vertexEntries_;
    std::vector<PixelEntry> pixelEntries_;
    std::vector<LayoutEntry> layouts_;
};
