// Shader source preprocessing: effect-framework stripping, and includes served from the
// input itself (each "#include" name maps to a slice of the text).
#include <cstddef>
#include <cstdint>
#include <string>

#include "hlsl/hlslcompiler.h"
#include "hlsl/hlslincludes.h"

namespace {

class SliceIncludes : public gpu::IncludeHandler {
public:
    explicit SliceIncludes(const std::string& text) : text_(text) {}
    bool Open(const std::string& name, std::string* contents) override {
        if (name.empty() || name[0] == 'x') return false;
        const size_t start = name.size() % (text_.size() + 1);
        *contents = gpu::StripEffectFramework(text_.substr(start));
        return true;
    }

private:
    const std::string& text_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    const std::string stripped = gpu::StripEffectFramework(source);
    SliceIncludes handler(source);
    gpu::HlslIncludes includes(&handler);
    size_t pos = 0;
    while ((pos = stripped.find("#include", pos)) != std::string::npos) {
        pos += 8;
        const size_t open = stripped.find('"', pos);
        const size_t close = open == std::string::npos ? open : stripped.find('"', open + 1);
        if (close == std::string::npos) break;
        includes.Open(stripped.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    return 0;
}
