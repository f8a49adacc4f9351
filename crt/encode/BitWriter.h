#pragma once
// Bits packed most-significant first into 32-bit words, the order in which
// the decoder's bit reader takes them.
#include <cstdint>
#include <vector>

#include "crt/encode/ByteWriter.h"

namespace crt::enc {

class BitWriter {
public:
    // Appends the low n bits of value, 0 <= n <= 32.
    void put(uint32_t value, int n);
    // The words so far, the last one padded with zero bits.
    std::vector<uint32_t> words() const;
    uint64_t bitCount() const { return bitCount_; }

private:
    std::vector<uint32_t> full_;
    uint64_t acc_ = 0;  // pending bits, right-aligned
    int held_ = 0;      // number of pending bits, < 32
    uint64_t bitCount_ = 0;
};

// A bit-stream section: word count, padding to a multiple of 4 from the start
// of the block, the words.
void writeBitSection(ByteWriter& out, const BitWriter& bits);

}  // namespace crt::enc
