#pragma once
// Reads bit fields most-significant bit first from little-endian 32-bit words,
// fetching a whole word at a time. Reading past the last word is a truncated
// stream.
#include <cstdint>

#include "crt/ByteCursor.h"

namespace crt {

class BitReader {
public:
    BitReader() = default;
    BitReader(const uint8_t* words, uint32_t count) : next_(words), end_(words + uint64_t(count) * 4) {}

    // The next n bits (0 <= n <= 32) as an unsigned value; n = 0 reads nothing.
    uint32_t read(unsigned n)
    {
        if (held_ < n)
            refill();
        held_ -= n;
        return uint32_t((buffer_ >> held_) & ((uint64_t(1) << n) - 1));
    }

private:
    // Only the low held_ bits of the buffer are unread; a refill keeps them
    // above the new word.
    void refill()
    {
        if (next_ == end_)
            throw kTruncated;
        buffer_ = (buffer_ << 32) | loadLE32(next_);
        next_ += 4;
        held_ += 32;
    }

    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t buffer_ = 0;
    unsigned held_ = 0;
};

// Reads bit fields at increasing positions from W >= 1 words without a
// branch per word: each read takes the 32 bits at its position from the word
// that holds its first bit and the next one, loaded together. The caller
// checks beforehand that the words hold every bit it will read, and that 4
// readable bytes follow the last word (in a residual section, its bit-count
// arrays do), which such a load may touch without using them.
class WordBits {
public:
    WordBits() = default;
    // Reading starts at bit position `start` (bit 0 is the first word's top bit).
    WordBits(const uint8_t* words, uint32_t count, uint64_t start = 0)
        : words_(words), last_(count - 1), pos_(start)
    {
    }

    // The next n bits (0 <= n <= 32).
    uint32_t read(unsigned n)
    {
        // Past the last word only when nothing more is read (n = 0).
        const size_t i = size_t(pos_ >> 5) < last_ ? size_t(pos_ >> 5) : last_;
        const uint64_t pair = loadLE64(words_ + 4 * i);
        const uint64_t window = ((pair << 32) | (pair >> 32)) << (pos_ & 31);
        pos_ += n;
        return uint32_t((window >> 32) >> (32 - n));
    }

private:
    const uint8_t* words_ = nullptr;
    size_t last_ = 0;
    uint64_t pos_ = 0;
};

// A bit stream section: uint32 word count W, padding to a multiple of 4 from
// the start of the block, W words. The cursor moves past the words.
inline BitReader readBitStream(ByteCursor& in)
{
    const uint32_t words = in.u32();
    in.alignTo4();
    return BitReader(in.take(uint64_t(words) * 4), words);
}

// The same section as its words, for readers that check their bits up front.
struct WordSection {
    const uint8_t* words;
    uint32_t count;
};

inline WordSection readWordSection(ByteCursor& in)
{
    const uint32_t words = in.u32();
    in.alignTo4();
    return {in.take(uint64_t(words) * 4), words};
}

}  // namespace crt
