#pragma once
// Little-endian output for a whole crt block. Offsets are counted from the
// start of the block, which is what bit-stream padding is aligned to.
#include <cstdint>
#include <string>
#include <vector>

namespace crt::enc {

class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    // A counted string: uint16 byte count, the text, its terminating zero.
    void string(const std::string& text);
    void bytes(const uint8_t* data, size_t n) { bytes_.insert(bytes_.end(), data, data + n); }
    // Zero bytes up to the next offset that is a multiple of 4.
    void padTo4();

    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& data() { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace crt::enc
