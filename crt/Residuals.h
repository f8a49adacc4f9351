#pragma once
// Residual sections: a bit stream of values followed by the bit counts that
// say how many bits each value takes. The values land interleaved, component
// c of vertex i at i * N + c, as 32-bit integers or as their low 8 bits.
#include <cstdint>
#include <vector>

#include "crt/BitReader.h"
#include "crt/ByteArray.h"
#include "crt/ByteCursor.h"

namespace crt {

// A residual section read from the stream and checked, its values not yet
// decoded: every bit its counts ask for lies within its words.
struct ResidualSection {
    WordSection words{};
    bool shared = false;
    int N = 0;
    uint32_t count = 0;                          // vertices
    std::vector<ByteView> counts;                // one array shared, else one per component
    std::vector<uint64_t> starts;                // bit position of each array's values
    std::vector<std::vector<uint8_t>> storage;   // expanded arrays
    uint64_t totalBits = 0;
};

// One bit-count array per component; every array must hold `count` entries.
// A count n > 0 stores |value| in n bits: v >= 2^(n-1) is the value itself,
// a smaller v stands for -v - 2^(n-1).
void openResiduals(ByteCursor& in, int N, uint32_t count, ResidualSection& out);

// One bit-count array shared by all components of a vertex; each component
// is stored as value + 2^(n-1) in n bits. The array may hold at most maxCount
// entries.
void openResidualsShared(ByteCursor& in, int N, uint32_t maxCount, ResidualSection& out);

// Writes the section's values, N per vertex.
template <class T>
void decodeResiduals(const ResidualSection& section, T* values);

// The two in one step; readResidualsShared returns the number of vertices.
template <class T>
void readResiduals(ByteCursor& in, T* values, int N, uint32_t count);
template <class T>
uint32_t readResidualsShared(ByteCursor& in, T* values, int N, uint32_t maxCount);

// Moves the cursor past a residual section with `arrays` bit-count arrays
// without decoding it.
void skipResiduals(ByteCursor& in, int arrays);

// 2^(n-1) for n >= 1 and 0 for n = 0, in 64 bits so that n = 32 works.
inline uint64_t halfRange(unsigned n)
{
    return (uint64_t(1) << n) >> 1;
}

// Yields a checked section's residuals vertex by vertex, for decoders that
// use each vertex's values at once. Fixed is the component count, Shared
// whether the section has one bit count per vertex (it must match the
// section).
template <int Fixed, bool Shared>
class ResidualReader {
public:
    explicit ResidualReader(const ResidualSection& s)
    {
        for (int c = 0; c < (Shared ? 1 : Fixed); ++c) {
            bits_[c] = WordBits(s.words.words, s.words.count, s.starts[size_t(c)]);
            counts_[c] = s.counts[size_t(c)].data;
        }
    }

    // The residuals of vertex i, which must follow the previous call's.
    void next(uint32_t i, uint32_t out[Fixed])
    {
        if constexpr (Shared) {
            const unsigned n = counts_[0][i];
            const uint32_t m = uint32_t(halfRange(n));
            if (unsigned(Fixed) * n <= 32) {
                // All components in one read.
                const uint32_t all = bits_[0].read(unsigned(Fixed) * n);
                const uint32_t mask = uint32_t((uint64_t(1) << n) - 1);
                for (int c = 0; c < Fixed; ++c)
                    out[c] = (uint32_t(uint64_t(all) >> (unsigned(Fixed - 1 - c) * n)) & mask) - m;
            } else {
                for (int c = 0; c < Fixed; ++c)
                    out[c] = bits_[0].read(n) - m;
            }
        } else {
            for (int c = 0; c < Fixed; ++c) {
                const unsigned n = counts_[c][i];
                const uint64_t v = bits_[c].read(n);
                const uint64_t m = halfRange(n);
                out[c] = uint32_t(v >= m ? v : uint64_t(0) - v - m);
            }
        }
    }

private:
    WordBits bits_[Shared ? 1 : Fixed];
    const uint8_t* counts_[Shared ? 1 : Fixed] = {};
};

}  // namespace crt
