#pragma once
// Reading position in the caller's byte block. Every read is checked against
// the end of the block; alignment is measured from the block's first byte.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "crt/Errors.h"

namespace crt {

// Loads a little-endian 32-bit word from any address.
inline uint32_t loadLE32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

// Loads a little-endian 64-bit word from any address.
inline uint64_t loadLE64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

class ByteCursor {
public:
    ByteCursor() = default;
    // size 0 means the end of the block is unknown: reads are then limited
    // only by the address space.
    ByteCursor(const uint8_t* base, size_t size);

    int32_t entropy = 0;

    size_t offset() const { return pos_; }
    void seek(size_t offset) { pos_ = offset; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* base() const { return base_; }

    // Throws "Truncated crt stream." unless n more bytes are in the block.
    void need(uint64_t n) const
    {
        if (n > remaining())
            throw kTruncated;
    }
    // Refuses a count of items, each at least itemBytes long, that the rest of
    // the block could not hold: checked before anything is sized by it.
    void needItems(uint64_t count, uint64_t itemBytes) const
    {
        if (count > remaining() / itemBytes)
            throw kTruncated;
    }

    const uint8_t* take(uint64_t n)
    {
        need(n);
        const uint8_t* p = base_ + pos_;
        pos_ += size_t(n);
        return p;
    }
    void skip(uint64_t n) { take(n); }
    uint8_t u8() { return *take(1); }
    uint16_t u16()
    {
        const uint8_t* p = take(2);
        return uint16_t(p[0] | (p[1] << 8));
    }
    uint32_t u32() { return loadLE32(take(4)); }
    int32_t i32() { return int32_t(u32()); }
    float f32()
    {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    // A counted string: uint16 n, then n bytes holding the text and its zero.
    std::string str();
    // Skips the padding that puts the next byte at a multiple of 4 from the
    // start of the block.
    void alignTo4() { skip((4 - pos_ % 4) % 4); }

private:
    const uint8_t* base_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

}  // namespace crt
