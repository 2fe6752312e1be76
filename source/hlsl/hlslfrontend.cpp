#include "hlsl/hlslfrontend.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

#include "hlsl/hlslunroll.h"

namespace gpu {
namespace {

void InitializeGlslang() {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

// Serves #include through HlslIncludes, stripping effect-framework blocks from each text.
class Includer : public glslang::TShader::Includer {
public:
    Includer(HlslIncludes* includes, size_t sourceBytes) : includes_(includes), totalBytes_(sourceBytes) {}

    IncludeResult* includeSystem(const char* name, const char* from, size_t depth) override {
        return Resolve(AsWritten(name).c_str(), depth);
    }
    IncludeResult* includeLocal(const char* name, const char* from, size_t depth) override {
        const std::string beside = HlslIncludePath(from ? from : "", name);
        if (!beside.empty() && beside != name && includes_->Exists(beside)) return Resolve(beside.c_str(), depth);
        return Resolve(AsWritten(name).c_str(), depth);
    }
    void releaseInclude(IncludeResult* result) override {
        if (!result) return;
        delete static_cast<std::string*>(result->userData);
        delete result;
    }
    const std::string& Errors() const { return errors_; }

private:
    // The name from the data root; Windows separators become '/'.
    static std::string AsWritten(const char* name) {
        const std::string folded = HlslIncludePath("", name);
        return folded.empty() ? name : folded;
    }

    IncludeResult* Resolve(const char* name, size_t depth) {
        if (depth > kHlslMaxIncludeDepth) {
            if (errors_.find("nested deeper") == std::string::npos) {
                errors_ += std::string(name) + ": error: includes nested deeper than " +
                           std::to_string(kHlslMaxIncludeDepth) + " levels (does a file include itself?)\n";
            }
            return nullptr;
        }
        const std::string* text = includes_->Open(name);
        if (!text) {
            errors_ += std::string(name) + ": error: include not found\n";
            return nullptr;
        }
        totalBytes_ += text->size();
        if (totalBytes_ > kHlslMaxSourceBytes) {
            errors_ += std::string(name) + ": error: source with includes larger than " +
                       std::to_string(kHlslMaxSourceBytes >> 20) + " MB\n";
            return nullptr;
        }
        auto* stripped = new std::string(StripEffectFramework(*text));
        return new IncludeResult(name, stripped->data(), stripped->size(), stripped);
    }

    HlslIncludes* includes_;
    size_t totalBytes_;
    std::string errors_;
};

}  // namespace

std::string HlslIncludePath(const std::string& from, const std::string& name) {
    std::string written = name;
    std::replace(written.begin(), written.end(), '\\', '/');
    if (written.empty() || written[0] == '/') return "";
    const size_t slash = from.rfind('/');
    std::string joined = slash == std::string::npos ? written : from.substr(0, slash + 1) + written;
    // Fold "." and ".." segments; climbing above the root gives no path.
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= joined.size()) {
        size_t end = joined.find('/', begin);
        if (end == std::string::npos) end = joined.size();
        const std::string part = joined.substr(begin, end - begin);
        begin = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return "";
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
}

namespace {

bool IsIdentifier(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    }
    return true;
}

// Macros become #define lines ahead of the source; glslang keeps the source's line numbers.
bool BuildPreamble(const std::vector<ShaderMacro>& macros, std::string* preamble, std::string* errors) {
    for (const ShaderMacro& macro : macros) {
        if (!IsIdentifier(macro.name)) {
            *errors += "error: invalid macro name '" + macro.name + "'\n";
            return false;
        }
        std::string value = macro.value;
        for (char& c : value) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        *preamble += "#define " + macro.name + " " + value + "\n";
    }
    return true;
}

}  // namespace

bool HlslProfileStage(const std::string& profile, ShaderStage* stage) {
    static const char* const kModels[] = {"_4_0", "_4_1", "_5_0"};
    for (const char* model : kModels) {
        if (profile == std::string("vs") + model) {
            *stage = ShaderStage::Vertex;
            return true;
        }
        if (profile == std::string("ps") + model) {
            *stage = ShaderStage::Pixel;
            return true;
        }
    }
    return false;
}

std::string FormatGlslangLog(const std::string& log) {
    struct Message {
        std::string file, line, kind, text;  // file empty: not located
    };
    std::vector<Message> messages;
    size_t begin = 0;
    while (begin < log.size()) {
        size_t end = log.find('\n', begin);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(begin, end - begin);
        begin = end + 1;
        if (line.empty()) continue;

        Message message;
        if (line.rfind("ERROR: ", 0) == 0) {
            message.kind = "error";
            line.erase(0, 7);
        } else if (line.rfind("WARNING: ", 0) == 0) {
            message.kind = "warning";
            line.erase(0, 9);
        }
        // The summary line repeats what the lines above it say.
        if (line.find("compilation errors.") != std::string::npos) continue;
        if (line.find("No code generated") != std::string::npos) continue;

        // "file:line: text"
        for (size_t pos = 0; (pos = line.find(':', pos)) != std::string::npos; ++pos) {
            size_t digits = pos + 1;
            while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) ++digits;
            if (digits > pos + 1 && digits < line.size() && line[digits] == ':') {
                message.file = line.substr(0, pos);
                message.line = line.substr(pos + 1, digits - pos - 1);
                line.erase(0, digits + 1);
                while (!line.empty() && line[0] == ' ') line.erase(0, 1);
                break;
            }
        }
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        message.text = line;

        // The parser ends with "file(line): error at column N, HLSL parsing failed."; the
        // column belongs to the messages about that line.
        unsigned column = 0;
        const size_t at = line.find("): error at column ");
        const size_t open = line.rfind('(', at);
        if (message.file.empty() && at != std::string::npos && open != std::string::npos &&
            line.find("HLSL parsing failed") != std::string::npos &&
            std::sscanf(line.c_str() + at, "): error at column %u", &column) == 1) {
            message.file = line.substr(0, open);
            message.line = line.substr(open + 1, at - open - 1);
            message.kind = "error";
            bool attached = false;
            for (Message& earlier : messages) {
                if (earlier.file == message.file && earlier.line == message.line &&
                    earlier.line.find(',') == std::string::npos && column > 0) {
                    earlier.line += "," + std::to_string(column);
                    attached = true;
                }
            }
            if (attached || column == 0) continue;
            message.line += "," + std::to_string(column);
            message.text = "HLSL parsing failed";
        }
        messages.push_back(std::move(message));
    }
    std::string out;
    for (const Message& m : messages) {
        if (m.file.empty()) {
            out += (m.kind.empty() ? "" : m.kind + ": ") + m.text + "\n";
        } else {
            out += m.file + "(" + m.line + "): " + (m.kind.empty() ? "note" : m.kind) + ": " + m.text + "\n";
        }
    }
    return out;
}

bool HlslToSpirv(const CompileRequest& request, HlslIncludes* includes, std::vector<uint32_t>* spirv,
                 std::string* errors) {
    ShaderStage stage;
    if (!HlslProfileStage(request.profile, &stage)) {
        *errors += "error: unsupported profile '" + request.profile + "'\n";
        return false;
    }
    if (request.entryPoint.empty()) {
        *errors += "error: no entry point given\n";
        return false;
    }
    const std::string name = request.sourceName.empty() ? "shader" : request.sourceName;
    if (request.sourceLength > kHlslMaxSourceBytes) {
        *errors += name + ": error: source larger than " + std::to_string(kHlslMaxSourceBytes >> 20) + " MB\n";
        return false;
    }
    std::string preamble;
    if (!BuildPreamble(request.macros, &preamble, errors)) return false;
    InitializeGlslang();

    std::string source = StripEffectFramework(std::string(request.source ? request.source : "",
                                                          request.source ? request.sourceLength : 0));
    const EShLanguage language = stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* names = name.c_str();

    glslang::TShader shader(language);
    shader.setStringsWithLengthsAndNames(&text, &length, &names, 1);
    shader.setPreamble(preamble.c_str());
    shader.setEntryPoint(request.entryPoint.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setHlslIoMapping(true);
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    shader.setDxPositionW(true);
    shader.setShiftBinding(glslang::EResUbo, kHlslShiftConstantBuffer);
    shader.setShiftBinding(glslang::EResTexture, kHlslShiftTexture);
    shader.setShiftBinding(glslang::EResSampler, kHlslShiftSampler);
    shader.setShiftBinding(glslang::EResUav, kHlslShiftUav);
    shader.setShiftBinding(glslang::EResSsbo, kHlslShiftTexture);

    const EShMessages messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                          EShMsgHlslOffsets);
    Includer includer(includes, source.size());
    const bool parsed = shader.parse(GetDefaultResources(), 100, ENoProfile, false, false, messages, includer);
    if (!parsed) {
        *errors += includer.Errors() + FormatGlslangLog(shader.getInfoLog());
        return false;
    }

    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(messages) && program.mapIO();
    const std::string linkLog = program.getInfoLog();
    // glslang only warns about a missing entry point and then emits an empty shader.
    if (!linked || linkLog.find("Entry point not found") != std::string::npos) {
        std::string log = FormatGlslangLog(linkLog);
        if (linkLog.find("Entry point not found") != std::string::npos) {
            log = name + ": error: entry point '" + request.entryPoint + "' not found\n";
        }
        *errors += log;
        return false;
    }

    glslang::SpvOptions options;
    options.disableOptimizer = false;  // legalization: resources passed to helper functions
    options.validate = false;
    spv::SpvBuildLogger logger;
    spirv->clear();
    glslang::GlslangToSpv(*program.getIntermediate(language), *spirv, &logger, &options);
    const std::string spvLog = logger.getAllMessages();
    if (spirv->empty() || spvLog.find("error") != std::string::npos) {
        *errors += name + ": error: SPIR-V generation failed\n" + spvLog;
        return false;
    }
    if (HasVariableImageOffset(*spirv)) UnrollForConstantOffsets(spirv);
    return true;
}

}  // namespace gpu
