#include "crt/encode/BitWriter.h"

namespace crt::enc {

void BitWriter::put(uint32_t value, int n) {
    if (n <= 0) return;
    uint64_t v = n == 32 ? value : (value & ((uint32_t(1) << n) - 1));
    acc_ = (acc_ << n) | v;
    held_ += n;
    bitCount_ += static_cast<uint64_t>(n);
    if (held_ >= 32) {
        held_ -= 32;
        full_.push_back(static_cast<uint32_t>(acc_ >> held_));
        acc_ &= (uint64_t(1) << held_) - 1;
    }
}

std::vector<uint32_t> BitWriter::words() const {
    std::vector<uint32_t> w = full_;
    if (held_ > 0) w.push_back(static_cast<uint32_t>(acc_ << (32 - held_)));
    return w;
}

void writeBitSection(ByteWriter& out, const BitWriter& bits) {
    std::vector<uint32_t> w = bits.words();
    out.u32(static_cast<uint32_t>(w.size()));
    out.padTo4();
    for (uint32_t word : w) out.u32(word);
}

}  // namespace crt::enc
