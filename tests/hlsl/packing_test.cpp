// Constant-buffer layouts: D3D offsets against std140 offsets and the copy table between them.
#include <gtest/gtest.h>

#include "hlsl/hlslpacking.h"

using gpu::PackedType;
using Range = gpu::ShaderBlob::CopyRange;

namespace {

PackedType Vec(uint32_t components, std::vector<uint32_t> dims = {}) {
    PackedType t;
    t.components = components;
    t.arrayDims = std::move(dims);
    return t;
}

PackedType Mat(uint32_t registers, uint32_t components) {
    PackedType t;
    t.kind = PackedType::Kind::Matrix;
    t.registers = registers;
    t.components = components;
    return t;
}

PackedType Struct(std::vector<PackedType> members, std::vector<uint32_t> declared = {}) {
    PackedType t;
    t.kind = PackedType::Kind::Struct;
    t.members = std::move(members);
    t.declaredOffsets = std::move(declared);
    return t;
}

}  // namespace

namespace gpu {
bool operator==(const ShaderBlob::CopyRange& a, const ShaderBlob::CopyRange& b) {
    return a.hlslOffset == b.hlslOffset && a.glOffset == b.glOffset && a.size == b.size;
}
}  // namespace gpu

TEST(HlslPacking, LayoutsThatAgreeNeedNoCopyTable) {
    // float4, float3 + float, float2 + float2, float4x4
    PackedType block = Struct({Vec(4), Vec(3), Vec(1), Vec(2), Vec(2), Mat(4, 4)});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{0, 16, 28, 32, 40, 48}));
    EXPECT_EQ(block.glOffsets, block.hlslOffsets);
    EXPECT_TRUE(repack.empty());
    EXPECT_EQ(glSize, 112u);
}

TEST(HlslPacking, FloatFollowedByFloat3MovesTheVector) {
    // HLSL packs the float3 into the rest of the first row; std140 needs 16-byte alignment.
    PackedType block = Struct({Vec(1), Vec(3), Vec(2)});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{0, 4, 16}));
    EXPECT_EQ(block.glOffsets, (std::vector<uint32_t>{0, 16, 32}));
    EXPECT_EQ(repack, (std::vector<Range>{{0, 0, 4}, {4, 16, 12}, {16, 32, 8}}));
    EXPECT_EQ(glSize, 48u);
}

TEST(HlslPacking, MemberAfterAnArrayUsesItsLastRow) {
    // float2 arr[3] ends 8 bytes into its last row; the float after it packs there in HLSL.
    PackedType block = Struct({Vec(2, {3}), Vec(1), Vec(3), Vec(2)});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{0, 40, 48, 64}));
    EXPECT_EQ(block.glOffsets, (std::vector<uint32_t>{0, 48, 64, 80}));
    EXPECT_EQ(repack, (std::vector<Range>{{0, 0, 8}, {16, 16, 8}, {32, 32, 8}, {40, 48, 4}, {48, 64, 12}, {64, 80, 8}}));
}

TEST(HlslPacking, StructsAndMatricesKeepTheirRows) {
    // struct { float a; float3 b; float c; } s; float y; float3x3 m (three rows); float z;
    PackedType inner = Struct({Vec(1), Vec(3), Vec(1)});
    PackedType block = Struct({Vec(1), inner, Vec(1), Mat(3, 3), Vec(1)});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{0, 16, 36, 48, 92}));
    EXPECT_EQ(block.members[1].hlslOffsets, (std::vector<uint32_t>{0, 4, 16}));
    EXPECT_EQ(block.members[1].glOffsets, (std::vector<uint32_t>{0, 16, 28}));
    // std140: the struct is 32 bytes, the mat3 three 16-byte rows.
    EXPECT_EQ(block.glOffsets, (std::vector<uint32_t>{0, 16, 48, 64, 112}));
    EXPECT_EQ(glSize, 128u);
    // Every byte of HLSL data has a destination; matrix rows move one by one.
    uint32_t bytes = 0;
    for (const Range& r : repack) bytes += r.size;
    EXPECT_EQ(bytes, 4u + 20u + 4u + 36u + 4u);
}

TEST(HlslPacking, ArraysOfStructsGetAStd140Stride) {
    PackedType element = Struct({Vec(1), Vec(3)});
    element.arrayDims = {2};
    PackedType block = Struct({element, Vec(1)});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    // HLSL: the struct fills one row, so the elements sit at 0 and 16; std140 needs 32 each.
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{0, 32}));
    EXPECT_EQ(block.members[0].glArrayStrides, (std::vector<uint32_t>{32}));
    EXPECT_EQ(block.glOffsets, (std::vector<uint32_t>{0, 64}));
    EXPECT_EQ(repack, (std::vector<Range>{{0, 0, 4}, {4, 16, 12}, {16, 32, 4}, {20, 48, 12}, {32, 64, 4}}));
}

TEST(HlslPacking, PackoffsetOffsetsStand) {
    // float4 a : packoffset(c1); float b : packoffset(c0.y); float2 c : packoffset(c0.z)
    PackedType block = Struct({Vec(4), Vec(1), Vec(2)}, {16, 4, 8});
    uint32_t glSize = 0;
    std::vector<Range> repack;
    gpu::LayoutConstantBuffer(&block, &glSize, &repack);
    EXPECT_EQ(block.hlslOffsets, (std::vector<uint32_t>{16, 4, 8}));
    EXPECT_EQ(block.glOffsets, (std::vector<uint32_t>{0, 16, 24}));
    EXPECT_EQ(repack, (std::vector<Range>{{4, 16, 4}, {8, 24, 8}, {16, 0, 16}}));
}
