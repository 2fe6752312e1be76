#pragma once
// Reads a PC2 point cache: a header (version, points per sample, sample rate, sample count)
// and sample after sample of float x, y, z triples, all little-endian. Two header forms
// exist: byte 1 'O' (the "POINTCACHE2" signature) places the header at offset 0; byte 1
// zero places everything 12 bytes later. Nothing is trusted for an allocation before the
// file is known to hold every announced sample.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "system/vec.h"

enum class Pc2Error {
    None,
    UnknownHeader,    // byte 1 is neither 'O' nor zero, or the file is too short to tell
    BadVersion,       // version is not 1
    WrongPointCount,  // points per sample differ from the expected count
    BadSampleCount,   // fewer than one sample
    TooShort,         // the file ends before the header or the announced samples do
};

struct Pc2Animation {
    Pc2Error error = Pc2Error::None;
    int32_t version = 0;
    int32_t pointCount = 0;
    int32_t sampleCount = 0;
    float sampleRate = 0.0f;
    uint64_t neededBytes = 0;  // with TooShort: the size the header announces
    // sampleCount x pointCount positions, sample after sample; empty unless error is None.
    std::vector<vec3> positions;

    const vec3* Sample(size_t index) const { return positions.data() + index * size_t(pointCount); }
};

// Checks the header against `expectedPoints` and reads every sample.
Pc2Animation ReadPc2(const uint8_t* bytes, size_t size, size_t expectedPoints);
