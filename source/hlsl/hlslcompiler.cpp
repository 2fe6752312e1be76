#include "hlsl/hlslcompiler.h"

#include "hlsl/hlslcache.h"
#include "hlsl/hlslcross.h"
#include "hlsl/hlslfrontend.h"
#include "hlsl/hlslincludes.h"

namespace gpu {

std::shared_ptr<const ShaderBlob> CompileHLSL(const CompileRequest& request, std::string* errors) {
    std::string scratch;
    if (!errors) errors = &scratch;
    errors->clear();
    if (!request.source && request.sourceLength > 0) {
        *errors = "error: no source text\n";
        return nullptr;
    }

    const std::string identity = HlslCacheIdentity(request);
    HlslIncludes includes(request.includes);
    HlslCacheResult result;
    if (HlslCacheFind(identity, &includes, &result)) {
        *errors = result.errors;
        return result.blob;
    }

    std::vector<uint32_t> spirv;
    ShaderStage stage = ShaderStage::Vertex;
    if (HlslToSpirv(request, &includes, &spirv, &result.errors) && HlslProfileStage(request.profile, &stage)) {
        auto blob = std::make_shared<ShaderBlob>();
        blob->entryPoint = request.entryPoint;
        if (SpirvToBlob(spirv, stage, blob.get(), &result.errors)) {
            result.blob = std::move(blob);
        } else {
            const std::string name = request.sourceName.empty() ? "shader" : request.sourceName;
            result.errors = name + ": error: cannot translate entry point '" + request.entryPoint + "' to GLSL\n" +
                            result.errors;
        }
    }
    if (!result.blob && result.errors.empty()) result.errors = "error: translation failed\n";
    HlslCacheStore(identity, includes, result);
    *errors = result.errors;
    return result.blob;
}

}  // namespace gpu
