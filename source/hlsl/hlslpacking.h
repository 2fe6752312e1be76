#pragma once
// Constant-buffer layouts: where D3D's packing rules put each member, where std140 puts it,
// and the byte ranges that move between the two. Works on a small type tree so that it
// needs no compiler objects.
#include <cstdint>
#include <vector>

#include "hlsl/shaderblob.h"

namespace gpu {

struct PackedType {
    enum class Kind { Vector, Matrix, Struct };
    Kind kind = Kind::Vector;
    uint32_t registers = 1;   // 16-byte rows a matrix spans (1 for a vector)
    uint32_t components = 1;  // 4-byte components per row
    std::vector<uint32_t> arrayDims;  // outermost first; empty when not an array

    // Struct only.
    std::vector<PackedType> members;
    std::vector<uint32_t> declaredOffsets;  // offsets the front end gave each member

    // Results of LayoutConstantBuffer (struct only): per member.
    std::vector<uint32_t> hlslOffsets;
    std::vector<uint32_t> glOffsets;
    // Results of LayoutConstantBuffer (arrays only): std140 stride of each dimension.
    std::vector<uint32_t> glArrayStrides;

    // Ids of the compiler objects this node stands for, for whoever applies the layout.
    uint32_t typeId = 0;
    std::vector<uint32_t> arrayTypeIds;  // one per dimension, outermost first
};

// Lays out a constant buffer's block struct the D3D way (honouring packoffset: when the
// front end's offsets are not its own automatic ones, they are taken as given) and the std140
// way. Fills hlslOffsets, glOffsets and glArrayStrides through the tree, *glSize with the
// std140 block size, and *repack with the byte ranges to move (empty when the layouts agree).
void LayoutConstantBuffer(PackedType* block, uint32_t* glSize, std::vector<ShaderBlob::CopyRange>* repack);

}  // namespace gpu
