#include "crt/Residuals.h"

#include <algorithm>
#include <type_traits>

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

// Decodes all vertices of a checked section through the vertex reader.
template <class T, int Fixed, bool Shared>
void decodeFixed(const ResidualSection& s, T* out)
{
    ResidualReader<Fixed, Shared> reader(s);
    uint32_t r[Fixed];
    for (uint32_t i = 0; i < s.count; ++i, out += Fixed) {
        reader.next(i, r);
        for (int c = 0; c < Fixed; ++c)
            out[c] = T(r[c]);
    }
}

// Any component count, one value at a time.
template <class T>
void decodeAnyN(const ResidualSection& s, T* values)
{
    const size_t N = size_t(s.N);
    if (s.shared) {
        WordBits bits(s.words.words, s.words.count);
        T* out = values;
        for (uint32_t i = 0; i < s.count; ++i, out += N) {
            const unsigned n = s.counts[0].data[i];
            const uint64_t m = halfRange(n);
            for (size_t c = 0; c < N; ++c)
                out[c] = T(bits.read(n) - m);
        }
        return;
    }
    for (size_t c = 0; c < N; ++c) {
        WordBits bits(s.words.words, s.words.count, s.starts[c]);
        const uint8_t* n = s.counts[c].data;
        T* out = values + c;
        for (uint32_t i = 0; i < s.count; ++i, out += N) {
            const uint64_t v = bits.read(n[i]);
            const uint64_t m = halfRange(n[i]);
            *out = T(v >= m ? v : uint64_t(0) - v - m);
        }
    }
}

}  // namespace

void openResiduals(ByteCursor& in, int N, uint32_t count, ResidualSection& out)
{
    out.words = readWordSection(in);
    out.shared = false;
    out.N = N;
    out.count = count;
    const size_t arrays = size_t(std::max(N, 0));
    out.storage.resize(arrays);
    out.counts.assign(arrays, ByteView{});
    out.starts.assign(arrays, 0);
    uint64_t total = 0;
    for (size_t c = 0; c < arrays; ++c) {
        out.counts[c] = readByteArray(in, out.storage[c], count);
        if (out.counts[c].size != count)
            throw kCorrupt;
        out.starts[c] = total;
        total += checkedBits(out.counts[c], 1, out.words);
    }
    if (total > uint64_t(out.words.count) * 32)
        throw kTruncated;
    out.totalBits = total;
}

void openResidualsShared(ByteCursor& in, int N, uint32_t maxCount, ResidualSection& out)
{
    out.words = readWordSection(in);
    out.shared = true;
    out.N = N;
    out.storage.resize(1);
    out.counts.assign(1, readByteArray(in, out.storage[0], maxCount));
    out.starts.assign(1, 0);
    out.count = uint32_t(out.counts[0].size);
    out.totalBits = checkedBits(out.counts[0], uint64_t(std::max(N, 0)), out.words);
}

template <class T>
void decodeResiduals(const ResidualSection& s, T* values)
{
    if (s.N <= 0)
        return;
    if (s.totalBits == 0) {
        std::fill(values, values + size_t(s.count) * size_t(s.N), T(0));
        return;
    }
    // Shared counts come with integer attributes (positions, normals, uvs);
    // bytes (colours) have a count per component.
    if constexpr (std::is_same_v<T, int32_t>) {
        if (s.shared && s.N == 2)
            return decodeFixed<T, 2, true>(s, values);
        if (s.shared && s.N == 3)
            return decodeFixed<T, 3, true>(s, values);
    }
    if (!s.shared && s.N == 2)
        return decodeFixed<T, 2, false>(s, values);
    if (!s.shared && s.N == 3)
        return decodeFixed<T, 3, false>(s, values);
    decodeAnyN(s, values);
}

template <class T>
void readResiduals(ByteCursor& in, T* values, int N, uint32_t count)
{
    ResidualSection section;
    openResiduals(in, N, count, section);
    decodeResiduals(section, values);
}

template <class T>
uint32_t readResidualsShared(ByteCursor& in, T* values, int N, uint32_t maxCount)
{
    ResidualSection section;
    openResidualsShared(in, N, maxCount, section);
    decodeResiduals(section, values);
    return section.count;
}

void skipResiduals(ByteCursor& in, int arrays)
{
    readBitStream(in);
    for (int c = 0; c < arrays; ++c)
        skipByteArray(in);
}

template void decodeResiduals<int32_t>(const ResidualSection&, int32_t*);
template void decodeResiduals<uint8_t>(const ResidualSection&, uint8_t*);
template void readResiduals<int32_t>(ByteCursor&, int32_t*, int, uint32_t);
template void readResiduals<uint8_t>(ByteCursor&, uint8_t*, int, uint32_t);
template uint32_t readResidualsShared<int32_t>(ByteCursor&, int32_t*, int, uint32_t);
template uint32_t readResidualsShared<uint8_t>(ByteCursor&, uint8_t*, int, uint32_t);

}  // namespace crt
