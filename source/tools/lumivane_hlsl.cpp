// lumivane-hlsl: compiles one entry point of an HLSL file the way the player does, then hands
// the GLSL to a headless GL device so that the driver's verdict counts too.
//   lumivane-hlsl FILE ENTRY vs|ps [-D NAME[=VALUE]]... [--glsl]
// Exit status 0 on success, 1 with the messages on stderr otherwise.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "gpu/device.h"
#include "hlsl/hlslcompiler.h"
#include "system/log.h"

namespace {

bool ReadFile(const std::string& path, std::string* contents) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    *contents = text.str();
    return true;
}

// Includes are looked up beside the file that includes them (names that already carry the
// compiled file's path, as the compiler builds them), then in the compiled file's directory.
class DirectoryIncludes : public gpu::IncludeHandler {
public:
    explicit DirectoryIncludes(std::string directory) : directory_(std::move(directory)) {}
    bool Open(const std::string& name, std::string* contents) override {
        if (name.find("..") == std::string::npos && !name.empty() && name[0] != '/') {
            if (Exists(name) && ReadFile(name, contents)) return true;
            if (ReadFile(directory_ + name, contents)) return true;
        }
        LOG("Failed to find shader include '%s'", name.c_str());
        return false;
    }
    bool Exists(const std::string& name) override {
        return !directory_.empty() && name.rfind(directory_, 0) == 0 && std::ifstream(name).good();
    }

private:
    std::string directory_;
};

int Usage() {
    std::fprintf(stderr, "usage: lumivane-hlsl FILE ENTRY vs|ps [-D NAME[=VALUE]]... [--glsl]\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string path = argv[1];
    gpu::CompileRequest request;
    request.entryPoint = argv[2];
    const std::string stage = argv[3];
    if (stage != "vs" && stage != "ps") return Usage();
    request.profile = stage + "_4_0";
    bool printGlsl = false;
    for (int i = 4; i < argc; ++i) {
        std::string define;
        if (std::strcmp(argv[i], "--glsl") == 0) {
            printGlsl = true;
            continue;
        } else if (std::strcmp(argv[i], "-D") == 0 && i + 1 < argc) {
            define = argv[++i];
        } else if (std::strncmp(argv[i], "-D", 2) == 0 && argv[i][2]) {
            define = argv[i] + 2;
        } else {
            return Usage();
        }
        const size_t equals = define.find('=');
        gpu::ShaderMacro macro;
        macro.name = define.substr(0, equals);
        macro.value = equals == std::string::npos ? "1" : define.substr(equals + 1);
        request.macros.push_back(macro);
    }

    std::string source;
    if (!ReadFile(path, &source)) {
        std::fprintf(stderr, "%s: error: cannot read the file\n", path.c_str());
        return 1;
    }
    const size_t slash = path.rfind('/');
    DirectoryIncludes includes(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = path;
    request.includes = &includes;

    std::string errors;
    std::shared_ptr<const gpu::ShaderBlob> blob = gpu::CompileHLSL(request, &errors);
    if (!blob) {
        std::fprintf(stderr, "%s", errors.empty() ? "No error given!\n" : errors.c_str());
        return 1;
    }
    if (printGlsl) std::fputs(blob->glsl.c_str(), stdout);

    gpu::DevicePtr device;
    gpu::ContextPtr context;
    std::string deviceError;
    if (!gpu::CreateDevice(nullptr, &device, &context, &deviceError)) {
        std::fprintf(stderr, "error: cannot create a GL device to check the GLSL: %s\n", deviceError.c_str());
        return 1;
    }
    std::string glErrors;
    const bool created = blob->stage == gpu::ShaderStage::Vertex ? device->CreateVertexShader(blob, &glErrors) != nullptr
                                                                 : device->CreatePixelShader(blob, &glErrors) != nullptr;
    if (!created) {
        std::fprintf(stderr, "%s: error: GL rejected the translated shader '%s':\n%s\n", path.c_str(),
                     request.entryPoint.c_str(), glErrors.c_str());
        return 1;
    }
    return 0;
}
