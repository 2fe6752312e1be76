#include "graphics/shader.h"

#include "graphics/devicestate.h"
#include "graphics/shadererrors.h"
#include "graphics/shaderincludehandler.h"
#include "graphics/vertex.h"
#include "hlsl/hlslcompiler.h"
#include "system/log.h"

Shader::Shader(const std::string& fileName) : source_(fileName) {}

Shader::~Shader() { Unload(); }

Shader::VertexEntry* Shader::FindVertex(const std::string& name) {
    for (VertexEntry& e : vertexEntries_) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

Shader::PixelEntry* Shader::FindPixel(const std::string& name) {
    for (PixelEntry& e : pixelEntries_) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

std::shared_ptr<const gpu::ShaderBlob> Shader::Compile(const std::string& entry, const char* profile, bool* opened,
                                                       std::string* errors) {
    const FileContents& contents = source_.GetData();
    *opened = contents.size > 0;
    if (!*opened) return nullptr;
    gpu::CompileRequest request;
    request.source = reinterpret_cast<const char*>(contents.Bytes());
    request.sourceLength = contents.size;
    request.sourceName = source_.GetFileName();
    request.entryPoint = entry;
    request.profile = profile;
    request.includes = &GetShaderIncludeHandler();
    return gpu::CompileHLSL(request, errors);
}

bool Shader::LoadVS(const std::string& entry) {
    if (FindVertex(entry)) return true;
    bool opened = false;
    std::string errors;
    std::shared_ptr<const gpu::ShaderBlob> blob = Compile(entry, "vs_4_0", &opened, &errors);
    if (!opened) {
        LOG("File '%s' for vertex shader '%s' couldn't be opened", GetFileName().c_str(), entry.c_str());
        return false;
    }
    if (!blob) {
        LOG("Vertex shader '%s' compile error:\n%s", entry.c_str(), errors.empty() ? "No error given!" : errors.c_str());
        ReportShaderError(GetFileName(), entry, errors.empty() ? "No error given!" : errors);
        return false;
    }
    std::string glErrors;
    gpu::VertexShaderPtr shader = gDevice ? gDevice->CreateVertexShader(blob, &glErrors) : nullptr;
    if (!shader) {
        LOG("Failed to create vertex shader '%s'", entry.c_str());
        if (!glErrors.empty()) LOG("%s", glErrors.c_str());
        return false;
    }
    ClearShaderError(GetFileName(), entry);
    vertexEntries_.push_back({entry, std::move(blob), std::move(shader)});
    return true;
}

bool Shader::LoadPS(const std::string& entry) {
    if (FindPixel(entry)) return true;
    bool opened = false;
    std::string errors;
    std::shared_ptr<const gpu::ShaderBlob> blob = Compile(entry, "ps_4_0", &opened, &errors);
    if (!opened) {
        LOG("File '%s' for pixel shader '%s' couldn't be opened", GetFileName().c_str(), entry.c_str());
        return false;
    }
    if (!blob) {
        LOG("Pixel shader '%s' compile error:\n%s", entry.c_str(), errors.empty() ? "No error given!" : errors.c_str());
        ReportShaderError(GetFileName(), entry, errors.empty() ? "No error given!" : errors);
        return false;
    }
    std::string glErrors;
    gpu::PixelShaderPtr shader = gDevice ? gDevice->CreatePixelShader(blob, &glErrors) : nullptr;
    if (!shader) {
        LOG("Failed to create pixel shader '%s'", entry.c_str());
        if (!glErrors.empty()) LOG("%s", glErrors.c_str());
        return false;
    }
    ClearShaderError(GetFileName(), entry);
    pixelEntries_.push_back({entry, std::move(blob), std::move(shader)});
    return true;
}

gpu::InputLayoutPtr Shader::CreateInputLayout(const std::string& vertexEntry) {
    VertexEntry* entry = FindVertex(vertexEntry);
    if (!entry) {
        LOG("Shader trying to use unloaded vertex shader '%s'. Trying to load it now..", vertexEntry.c_str());
        if (!LoadVS(vertexEntry)) return nullptr;
        entry = &vertexEntries_.back();
    }
    if (!entry->shader) {
        LOG("Couldn't create input layout for shader because the vertex shader isn't loaded");
        return nullptr;
    }
    gpu::InputLayoutPtr layout =
        gDevice->CreateInputLayout(kSVertexLayout, static_cast<uint32_t>(std::size(kSVertexLayout)), *entry->bytecode);
    if (!layout) {
        LOG("Failed to create input layout for shader");
        return nullptr;
    }
    return layout;
}

bool Shader::Set(const std::string& pixelEntry, const std::string& vertexEntry) {
    if (source_.GetHasChanged()) Unload();

    LayoutEntry* layout = nullptr;
    for (LayoutEntry& e : layouts_) {
        if (e.name == vertexEntry) {
            layout = &e;
            break;
        }
    }
    if (!layout) {
        gpu::InputLayoutPtr created = CreateInputLayout(vertexEntry);
        layouts_.push_back({vertexEntry, std::move(created)});
        layout = &layouts_.back();
    }
    if (!layout->layout) return false;
    gContext->IASetInputLayout(layout->layout);

    VertexEntry* vertex = FindVertex(vertexEntry);
    if (!vertex) {
        LOG("Shader trying to use unloaded vertex shader '%s'. Trying to load it now..", vertexEntry.c_str());
        if (!LoadVS(vertexEntry)) return false;
        vertex = &vertexEntries_.back();
    }
    if (!vertex->shader) return false;
    gContext->VSSetShader(vertex->shader);

    PixelEntry* pixel = FindPixel(pixelEntry);
    if (!pixel) {
        LOG("Shader trying to use unloaded pixel shader '%s'. Trying to load it now..", pixelEntry.c_str());
        if (!LoadPS(pixelEntry)) return false;
        pixel = &pixelEntries_.back();
    }
    if (!pixel->shader) return false;
    gContext->PSSetShader(pixel->shader);
    return true;
}

void Shader::Unload() {
    layouts_.clear();
    vertexEntries_.clear();
    pixelEntries_.clear();
}
