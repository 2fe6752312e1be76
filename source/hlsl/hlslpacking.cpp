#include "hlsl/hlslpacking.h"

#include <algorithm>
#include <cassert>

namespace gpu {
namespace {

constexpr uint32_t kRow = 16;

uint32_t RoundUp(uint32_t value, uint32_t align) { return (value + align - 1) / align * align; }

uint32_t ElementCount(const PackedType& type) {
    uint32_t count = 1;
    for (uint32_t d : type.arrayDims) count *= d;
    return count;
}

// D3D packing: a vector never straddles a 16-byte row; arrays, matrices and structs start on
// a new row, each array element does too, and the next member may use what is left of the
// last row. glslang's own automatic offsets differ only in rounding aggregates up to whole
// rows (roundAggregates), which is how its offsets are told apart from packoffset ones.
uint32_t HlslSize(PackedType& type, bool roundAggregates, bool record);

uint32_t HlslElementSize(PackedType& type, bool roundAggregates, bool record) {
    switch (type.kind) {
    case PackedType::Kind::Vector:
        return type.components * 4;
    case PackedType::Kind::Matrix:
        return (type.registers - 1) * kRow + type.components * 4;
    case PackedType::Kind::Struct: {
        uint32_t offset = 0;
        if (record) type.hlslOffsets.clear();
        for (PackedType& member : type.members) {
            const uint32_t size = HlslSize(member, roundAggregates, record);
            const bool aggregate = member.kind != PackedType::Kind::Vector || !member.arrayDims.empty();
            if (aggregate || offset / kRow != (offset + size - 1) / kRow) offset = RoundUp(offset, kRow);
            if (record) type.hlslOffsets.push_back(offset);
            offset += roundAggregates && aggregate ? RoundUp(size, kRow) : size;
        }
        return offset;
    }
    }
    return 0;
}

uint32_t HlslSize(PackedType& type, bool roundAggregates, bool record) {
    const uint32_t element = HlslElementSize(type, roundAggregates, record);
    const uint32_t count = ElementCount(type);
    return (count - 1) * RoundUp(element, kRow) + element;
}

// std140: returns the size and *align of the type.
uint32_t Std140Size(PackedType& type, uint32_t* align) {
    uint32_t element = 0;
    uint32_t elementAlign = 0;
    switch (type.kind) {
    case PackedType::Kind::Vector:
        element = type.components * 4;
        elementAlign = type.components == 1 ? 4 : type.components == 2 ? 8 : 16;
        break;
    case PackedType::Kind::Matrix:
        element = type.registers * kRow;
        elementAlign = kRow;
        break;
    case PackedType::Kind::Struct: {
        uint32_t offset = 0;
        uint32_t maxAlign = kRow;
        type.glOffsets.clear();
        for (PackedType& member : type.members) {
            uint32_t memberAlign = 0;
            const uint32_t size = Std140Size(member, &memberAlign);
            offset = RoundUp(offset, memberAlign);
            type.glOffsets.push_back(offset);
            offset += size;
            maxAlign = std::max(maxAlign, memberAlign);
        }
        element = RoundUp(offset, maxAlign);
        elementAlign = maxAlign;
        break;
    }
    }
    if (type.arrayDims.empty()) {
        *align = elementAlign;
        return element;
    }
    // Array strides round up to a whole row; outer dimensions stride over inner ones.
    uint32_t stride = RoundUp(element, kRow);
    type.glArrayStrides.assign(type.arrayDims.size(), 0);
    for (size_t d = type.arrayDims.size(); d-- > 0;) {
        type.glArrayStrides[d] = stride;
        stride *= type.arrayDims[d];
    }
    *align = RoundUp(elementAlign, kRow);
    return stride;
}

// Adds the byte ranges of every vector (and matrix row) of the type at the given bases.
void CollectRanges(const PackedType& type, uint32_t hlslBase, uint32_t glBase,
                   std::vector<ShaderBlob::CopyRange>* out) {
    const uint32_t count = ElementCount(type);
    const uint32_t glStride = type.glArrayStrides.empty() ? 0 : type.glArrayStrides.back();
    uint32_t hlslStride = 0;
    if (count > 1) {
        PackedType copy = type;  // sizes only; the walk below must not disturb the results
        hlslStride = RoundUp(HlslElementSize(copy, false, false), kRow);
    }
    for (uint32_t e = 0; e < count; ++e) {
        const uint32_t h = hlslBase + e * hlslStride;
        const uint32_t g = glBase + e * glStride;
        switch (type.kind) {
        case PackedType::Kind::Vector:
            out->push_back({h, g, type.components * 4});
            break;
        case PackedType::Kind::Matrix:
            for (uint32_t r = 0; r < type.registers; ++r) out->push_back({h + r * kRow, g + r * kRow, type.components * 4});
            break;
        case PackedType::Kind::Struct:
            for (size_t m = 0; m < type.members.size(); ++m) {
                CollectRanges(type.members[m], h + type.hlslOffsets[m], g + type.glOffsets[m], out);
            }
            break;
        }
    }
}

bool SameOffsets(const PackedType& type) {
    if (type.kind != PackedType::Kind::Struct) return true;
    for (size_t m = 0; m < type.members.size(); ++m) {
        if (m < type.declaredOffsets.size() && type.declaredOffsets[m] != type.hlslOffsets[m]) return false;
        if (!SameOffsets(type.members[m])) return false;
    }
    return true;
}

void TakeDeclaredOffsets(PackedType& type) {
    if (type.kind != PackedType::Kind::Struct) return;
    if (type.declaredOffsets.size() == type.members.size()) type.hlslOffsets = type.declaredOffsets;
    for (PackedType& member : type.members) TakeDeclaredOffsets(member);
}

}  // namespace

void LayoutConstantBuffer(PackedType* block, uint32_t* glSize, std::vector<ShaderBlob::CopyRange>* repack) {
    assert(block->kind == PackedType::Kind::Struct);
    // Offsets the front end chose itself are recomputed by D3D's rules; any other offsets
    // came from packoffset and stand.
    HlslSize(*block, true, true);
    const bool automatic = SameOffsets(*block);
    HlslSize(*block, false, true);
    if (!automatic) TakeDeclaredOffsets(*block);

    uint32_t align = 0;
    *glSize = RoundUp(Std140Size(*block, &align), kRow);

    std::vector<ShaderBlob::CopyRange> ranges;
    CollectRanges(*block, 0, 0, &ranges);
    std::sort(ranges.begin(), ranges.end(),
              [](const ShaderBlob::CopyRange& a, const ShaderBlob::CopyRange& b) { return a.hlslOffset < b.hlslOffset; });
    repack->clear();
    bool identical = true;
    for (const ShaderBlob::CopyRange& r : ranges) {
        if (r.hlslOffset != r.glOffset) identical = false;
        if (!repack->empty()) {
            ShaderBlob::CopyRange& last = repack->back();
            if (last.hlslOffset + last.size == r.hlslOffset && last.glOffset + last.size == r.glOffset) {
                last.size += r.size;
                continue;
            }
        }
        repack->push_back(r);
    }
    if (identical) repack->clear();
}

}  // namespace gpu
