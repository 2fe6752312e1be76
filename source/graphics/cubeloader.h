#pragma once
// Parses a ".cube" 3D colour look-up table (the LUT_3D_SIZE subset) into an RGBA8 lattice.
#include <cstdint>
#include <vector>

class CubeLoader {
public:
    // Largest lattice accepted per axis (256^3 entries, 64 MiB of texels).
    static constexpr int kMaxSize = 256;

    // Parses `length` bytes; never reads beyond them. Logs the attempt and its outcome.
    CubeLoader(const uint8_t* bytes, uint32_t length);

    bool GetSucceeded() const { return succeeded_; }
    // N, the lattice size per axis; 0 when parsing failed.
    int GetSize() const { return size_; }
    // N^3 RGBA8 entries in file order: red varies fastest, then green, then blue.
    const std::vector<uint8_t>& GetTexels() const { return texels_; }

private:
    bool Parse(const uint8_t* bytes, uint32_t length);

    bool succeeded_ = false;
    int size_ = 0;
    std::vector<uint8_t> texels_;
};
