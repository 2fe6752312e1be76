#include "graphics/pc2reader.h"

#include <cstring>

namespace {

constexpr uint32_t kHeaderBytes = 32;        // signature, version, points, start, rate, samples
constexpr uint32_t kShiftedHeaderOffset = 12;  // header form whose byte 1 is zero

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int32_t ReadI32(const uint8_t* p) {
    const uint32_t u = ReadU32(p);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}
float ReadF32(const uint8_t* p) {
    const uint32_t u = ReadU32(p);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

}  // namespace

Pc2Animation ReadPc2(const uint8_t* bytes, size_t size, size_t expectedPoints) {
    Pc2Animation a;
    if (!bytes || size < 2 || (bytes[1] != 'O' && bytes[1] != 0)) {
        a.error = Pc2Error::UnknownHeader;
        return a;
    }
    const uint64_t offset = bytes[1] == 'O' ? 0 : kShiftedHeaderOffset;
    if (size < offset + kHeaderBytes) {
        a.error = Pc2Error::TooShort;
        a.neededBytes = offset + kHeaderBytes;
        return a;
    }
    const uint8_t* h = bytes + offset;
    a.version = ReadI32(h + 12);
    a.pointCount = ReadI32(h + 16);
    a.sampleRate = ReadF32(h + 24);
    a.sampleCount = ReadI32(h + 28);
    if (a.version != 1) {
        a.error = Pc2Error::BadVersion;
        return a;
    }
    if (a.pointCount < 0 || uint64_t(a.pointCount) != expectedPoints) {
        a.error = Pc2Error::WrongPointCount;
        return a;
    }
    if (a.sampleCount < 1) {
        a.error = Pc2Error::BadSampleCount;
        return a;
    }
    // The announced size can exceed 64 bits (2^31 samples of 2^31 points): saturate it.
    const uint64_t sampleBytes = uint64_t(a.pointCount) * 12;
    const uint64_t dataOffset = offset + kHeaderBytes;
    const bool huge = sampleBytes != 0 && uint64_t(a.sampleCount) > (UINT64_MAX - dataOffset) / sampleBytes;
    a.neededBytes = huge ? UINT64_MAX : dataOffset + sampleBytes * uint64_t(a.sampleCount);
    if (size < a.neededBytes) {
        a.error = Pc2Error::TooShort;
        return a;
    }
    const size_t count = size_t(a.pointCount) * size_t(a.sampleCount);
    a.positions.resize(count);
    const uint8_t* p = bytes + dataOffset;
    for (size_t i = 0; i < count; ++i, p += 12) a.positions[i] = {ReadF32(p), ReadF32(p + 4), ReadF32(p + 8)};
    return a;
}
