#include "crt/encode/ByteWriter.h"

#include <cstring>

#include "crt/encode/EncodeError.h"

namespace crt::enc {

void ByteWriter::u16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void ByteWriter::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ByteWriter::string(const std::string& text) {
    if (text.find('\0') != std::string::npos)
        throw EncodeError("text '" + text.substr(0, text.find('\0')) + "...' holds a zero byte");
    if (text.size() + 1 > 0xFFFF) throw EncodeError("text longer than 65534 bytes");
    u16(static_cast<uint16_t>(text.size() + 1));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
}

void ByteWriter::padTo4() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
}

}  // namespace crt::enc
