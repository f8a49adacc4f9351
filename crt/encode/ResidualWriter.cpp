#include "crt/encode/ResidualWriter.h"

#include <algorithm>
#include <array>
#include <bit>

#include "crt/encode/BitWriter.h"
#include "crt/encode/ByteArrayWriter.h"
#include "crt/encode/EncodeError.h"
#include "crt/encode/TunstallEncoder.h"

namespace crt::enc {

int magnitudeBits(int32_t v) {
    uint32_t m = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    return 32 - std::countl_zero(m);
}

int offsetBits(int32_t v) {
    if (v == 0) return 0;
    // v >= 0 needs one bit above its length; v < 0 fits when -v <= 2^(n-1).
    uint32_t m = v < 0 ? ~static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    return 33 - std::countl_zero(m);
}

void writeResiduals(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N,
                    const CodingEffort& effort) {
    const size_t count = N > 0 ? values.size() / N : 0;
    BitWriter bits;
    std::vector<std::vector<uint8_t>> lengths(N, std::vector<uint8_t>(count));
    // Component by component: the decoder's reader runs through component 0
    // for all vertices before component 1.
    for (int c = 0; c < N; ++c) {
        for (size_t i = 0; i < count; ++i) {
            const int32_t v = values[i * N + c];
            const int n = magnitudeBits(v);
            if (n > 31) throw EncodeError("a residual does not fit in 31 bits");
            lengths[c][i] = static_cast<uint8_t>(n);
            if (n == 0) continue;
            const uint32_t m = uint32_t(1) << (n - 1);
            bits.put(v > 0 ? static_cast<uint32_t>(v) : (0u - static_cast<uint32_t>(v)) - m, n);
        }
    }
    writeBitSection(out, bits);
    for (int c = 0; c < N; ++c) writeByteArray(out, entropy, lengths[c], effort);
}

namespace {

// Bytes the bit words take for these shared counts.
uint64_t sharedBitBytes(const std::array<uint64_t, 33>& histogram, int N) {
    uint64_t bits = 0;
    for (int n = 0; n <= 32; ++n) bits += histogram[n] * uint64_t(n) * uint64_t(N);
    return (bits + 31) / 32 * 4;
}

// A shared count may be larger than its values need: each value is then
// stored in more bits. Fewer distinct counts make the Tunstall-coded count
// array shorter, often by more than the values grow: counts are merged into
// the next larger one, one at a time, while the estimate shrinks, and the
// merged array is kept only if it really codes smaller.
std::vector<uint8_t> widerCounts(const std::vector<uint8_t>& counts, int N) {
    std::array<uint64_t, 33> histogram{};
    for (uint8_t n : counts) ++histogram[n];
    int top = 0;
    for (int n = 0; n <= 32; ++n)
        if (histogram[n]) top = n;
    // to[n]: the count n is raised to.
    auto merged = [&](const std::array<bool, 33>& kept, std::array<uint8_t, 33>& to) {
        std::array<uint64_t, 33> h{};
        int next = top;
        for (int n = 32; n >= 0; --n) {
            if (kept[n]) next = n;
            to[n] = static_cast<uint8_t>(std::max(next, n));
            h[to[n]] += histogram[n];
        }
        return h;
    };
    auto estimate = [&](const std::array<bool, 33>& kept) {
        std::array<uint8_t, 33> to{};
        const std::array<uint64_t, 33> h = merged(kept, to);
        std::array<uint64_t, 256> bytes{};
        for (int n = 0; n <= 32; ++n) bytes[n] = h[n];
        return estimatedTunstallBytes(bytes) + double(sharedBitBytes(h, N));
    };
    std::array<bool, 33> kept{};
    for (int n = 0; n <= 32; ++n) kept[n] = histogram[n] > 0;
    double best = estimate(kept);
    for (;;) {
        int drop = -1;
        for (int n = 0; n < top; ++n) {
            if (!kept[n]) continue;
            std::array<bool, 33> fewer = kept;
            fewer[n] = false;
            const double e = estimate(fewer);
            if (e < best) {
                best = e;
                drop = n;
            }
        }
        if (drop < 0) break;
        kept[drop] = false;
    }
    std::array<uint8_t, 33> to{};
    const std::array<uint64_t, 33> h = merged(kept, to);
    std::vector<uint8_t> wider(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) wider[i] = to[counts[i]];
    const uint64_t smallest = tunstallBlockBytes(tunstallEncode(wider.data(), wider.size())) + sharedBitBytes(h, N);
    const uint64_t plain = tunstallBlockBytes(tunstallEncode(counts.data(), counts.size())) + sharedBitBytes(histogram, N);
    return smallest < plain ? wider : counts;
}

}  // namespace

void writeResidualsShared(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N,
                          const CodingEffort& effort) {
    const size_t count = N > 0 ? values.size() / N : 0;
    std::vector<uint8_t> lengths(count);
    for (size_t i = 0; i < count; ++i) {
        int n = 0;
        for (int c = 0; c < N; ++c) n = std::max(n, offsetBits(values[i * N + c]));
        if (n > 31) throw EncodeError("a residual does not fit in 31 bits");
        lengths[i] = static_cast<uint8_t>(n);
    }
    // Raw counts cost a byte each whatever their values.
    if (effort.widerBitCounts && entropy == ENTROPY_TUNSTALL && count > 0) lengths = widerCounts(lengths, N);
    BitWriter bits;
    for (size_t i = 0; i < count; ++i) {
        const int n = lengths[i];
        if (n == 0) continue;
        const uint32_t half = uint32_t(1) << (n - 1);
        for (int c = 0; c < N; ++c) bits.put(static_cast<uint32_t>(values[i * N + c]) + half, n);
    }
    writeBitSection(out, bits);
    writeByteArray(out, entropy, lengths, effort);
}

}  // namespace crt::enc
