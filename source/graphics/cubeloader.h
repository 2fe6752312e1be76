#pragma once
// Parses a ".cube" 3D colour look-up table into an RGBA8 lattice. Besides the 3D table it
// reads DOMAIN_MIN / DOMAIN_MAX, LUT_3D_INPUT_RANGE and a 1D shaper table (LUT_1D_SIZE,
// LUT_1D_INPUT_RANGE) in front of the 3D one; these are baked into the lattice, which then
// maps colours in 0..1 as the whole file would.
#include <cstdint>
#include <string>
#include <vector>

class CubeLoader {
public:
    // Largest lattice accepted per axis (256^3 entries, 64 MiB of texels).
    static constexpr int kMaxSize = 256;
    // Largest 1D shaper table accepted.
    static constexpr int kMax1DSize = 65536;

    // Parses `length` bytes; never reads beyond them. Logs the attempt and its outcome.
    CubeLoader(const uint8_t* bytes, uint32_t length);

    bool GetSucceeded() const { return succeeded_; }
    // Why parsing failed, naming the line ("line 7: ..."); empty on success.
    const std::string& GetError() const { return error_; }
    // N, the lattice size per axis; 0 when parsing failed.
    int GetSize() const { return size_; }
    // N^3 RGBA8 entries in file order: red varies fastest, then green, then blue.
    const std::vector<uint8_t>& GetTexels() const { return texels_; }

private:
    bool Parse(const uint8_t* bytes, uint32_t length);
    bool Fail(std::string reason);

    bool succeeded_ = false;
    std::string error_;
    int size_ = 0;
    std::vector<uint8_t> texels_;
};
