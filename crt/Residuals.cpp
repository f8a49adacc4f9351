#include "crt/Residuals.h"

#include <algorithm>

#include "crt/BitReader.h"

namespace crt {

namespace {

// The bits a section's counts ask for, times the components that share each
// count. Counts above 32 cannot come from a 32-bit value; bits beyond the
// words would be read past the section.
uint64_t checkedBits(ByteView counts, uint64_t perCount, WordSection words)
{
    uint8_t widest = 0;
    uint64_t total = 0;
    for (size_t i = 0; i < counts.size; ++i) {
        widest = std::max(widest, counts.data[i]);
        total += counts.data[i];
    }
    if (widest > 32)
        throw kCorrupt;
    total *= perCount;
    if (total > uint64_t(words.count) * 32)
        throw kTruncated;
    return total;
}

// 2^(n-1) for n >= 1 and 0 for n = 0, in 64 bits so that n = 32 works.
inline uint64_t halfRange(unsigned n)
{
    return (uint64_t(1) << n) >> 1;
}

// Fixed > 0 is the component count known at compile time. When all of a
// vertex's components fit in one 32-bit read they are taken at once and split.
template <class T, int Fixed>
void decodeShared(WordBits& bits, ByteView counts, T* out, int dynamicN)
{
    const int N = Fixed > 0 ? Fixed : dynamicN;
    for (size_t i = 0; i < counts.size; ++i, out += N) {
        const unsigned n = counts.data[i];
        const uint64_t m = halfRange(n);
        if (Fixed > 0 && unsigned(Fixed) * n <= 32) {
            const uint64_t all = bits.read(unsigned(Fixed) * n);
            const uint64_t mask = (uint64_t(1) << n) - 1;
            for (int c = 0; c < Fixed; ++c)
                out[c] = T(((all >> (unsigned(Fixed - 1 - c) * n)) & mask) - m);
        } else {
            for (int c = 0; c < N; ++c)
                out[c] = T(bits.read(n) - m);
        }
    }
}

}  // namespace

template <class T>
void readResiduals(ByteCursor& in, T* values, int N, uint32_t count)
{
    const WordSection words = readWordSection(in);
    std::vector<std::vector<uint8_t>> storage(static_cast<size_t>(N));
    std::vector<ByteView> counts(static_cast<size_t>(N));
    uint64_t total = 0;
    for (int c = 0; c < N; ++c) {
        counts[c] = readByteArray(in, storage[c], count);
        if (counts[c].size != count)
            throw kCorrupt;
        total += checkedBits(counts[c], 1, words);
    }
    if (total > uint64_t(words.count) * 32)
        throw kTruncated;
    if (total == 0) {
        std::fill(values, values + size_t(count) * size_t(N), T(0));
        return;
    }
    WordBits bits(words.words, words.count);
    for (int c = 0; c < N; ++c) {
        const uint8_t* n = counts[c].data;
        T* out = values + c;
        for (uint32_t i = 0; i < count; ++i, out += N) {
            const uint64_t v = bits.read(n[i]);
            const uint64_t m = halfRange(n[i]);
            *out = T(v >= m ? v : uint64_t(0) - v - m);
        }
    }
}

template <class T>
uint32_t readResidualsShared(ByteCursor& in, T* values, int N, uint32_t maxCount)
{
    const WordSection words = readWordSection(in);
    std::vector<uint8_t> storage;
    const ByteView counts = readByteArray(in, storage, maxCount);
    if (checkedBits(counts, uint64_t(std::max(N, 0)), words) == 0) {
        std::fill(values, values + counts.size * size_t(std::max(N, 0)), T(0));
        return uint32_t(counts.size);
    }
    WordBits bits(words.words, words.count);
    switch (N) {
    case 2: decodeShared<T, 2>(bits, counts, values, N); break;
    case 3: decodeShared<T, 3>(bits, counts, values, N); break;
    default: decodeShared<T, 0>(bits, counts, values, N); break;
    }
    return uint32_t(counts.size);
}

void skipResiduals(ByteCursor& in, int arrays)
{
    readBitStream(in);
    for (int c = 0; c < arrays; ++c)
        skipByteArray(in);
}

template void readResiduals<int32_t>(ByteCursor&, int32_t*, int, uint32_t);
template void readResiduals<uint8_t>(ByteCursor&, uint8_t*, int, uint32_t);
template uint32_t readResidualsShared<int32_t>(ByteCursor&, int32_t*, int, uint32_t);
template uint32_t readResidualsShared<uint8_t>(ByteCursor&, uint8_t*, int, uint32_t);

}  // namespace crt
