#include "crt/encode/ResidualWriter.h"

#include <algorithm>
#include <bit>

#include "crt/encode/BitWriter.h"
#include "crt/encode/ByteArrayWriter.h"
#include "crt/encode/EncodeError.h"

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

void writeResiduals(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N) {
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
    for (int c = 0; c < N; ++c) writeByteArray(out, entropy, lengths[c]);
}

void writeResidualsShared(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N) {
    const size_t count = N > 0 ? values.size() / N : 0;
    BitWriter bits;
    std::vector<uint8_t> lengths(count);
    for (size_t i = 0; i < count; ++i) {
        int n = 0;
        for (int c = 0; c < N; ++c) n = std::max(n, offsetBits(values[i * N + c]));
        if (n > 31) throw EncodeError("a residual does not fit in 31 bits");
        lengths[i] = static_cast<uint8_t>(n);
        if (n == 0) continue;
        const uint32_t half = uint32_t(1) << (n - 1);
        for (int c = 0; c < N; ++c) bits.put(static_cast<uint32_t>(values[i * N + c]) + half, n);
    }
    writeBitSection(out, bits);
    writeByteArray(out, entropy, lengths);
}

}  // namespace crt::enc
