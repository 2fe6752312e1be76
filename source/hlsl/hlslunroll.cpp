#include "hlsl/hlslunroll.h"

#include <spirv-tools/optimizer.hpp>

namespace gpu {
namespace {

constexpr uint32_t kOffsetOperand = 0x10;  // SpvImageOperandsOffsetMask

// Word index of the image-operands mask for the image instructions that take offsets, or 0.
uint32_t OperandMaskWord(uint32_t opcode) {
    switch (opcode) {
        case 87: case 88: case 91: case 92: case 95:  // Sample{Implicit,Explicit}Lod, SampleProj*, Fetch
            return 5;
        case 89: case 90: case 93: case 94: case 96: case 97:  // Dref and projective Dref, Gather, DrefGather
            return 6;
        default:
            return 0;
    }
}

}  // namespace

bool HasVariableImageOffset(const std::vector<uint32_t>& spirv) {
    for (size_t i = 5; i < spirv.size();) {
        const uint32_t count = spirv[i] >> 16, opcode = spirv[i] & 0xFFFF;
        if (count == 0) return false;
        const uint32_t mask = OperandMaskWord(opcode);
        if (mask != 0 && mask < count && i + mask < spirv.size() && (spirv[i + mask] & kOffsetOperand)) return true;
        i += count;
    }
    return false;
}

bool UnrollForConstantOffsets(std::vector<uint32_t>* spirv) {
    spvtools::Optimizer optimizer(SPV_ENV_UNIVERSAL_1_0);
    optimizer.RegisterPass(spvtools::CreateLoopUnrollPass(true));
    optimizer.RegisterPerformancePasses();
    std::vector<uint32_t> out;
    spvtools::OptimizerOptions options;
    options.set_run_validator(false);
    if (!optimizer.Run(spirv->data(), spirv->size(), &out, options) || out.empty()) return false;
    spirv->swap(out);
    return true;
}

}  // namespace gpu
