#include "crt/ByteCursor.h"

#include <cstdint>

namespace crt {

ByteCursor::ByteCursor(const uint8_t* base, size_t size) : base_(base), size_(size)
{
    if (size_ == 0)
        size_ = size_t(UINTPTR_MAX - reinterpret_cast<uintptr_t>(base));
}

std::string ByteCursor::str()
{
    const uint16_t n = u16();
    const uint8_t* p = take(n);
    const void* zero = std::memchr(p, 0, n);
    const size_t length = zero ? size_t(static_cast<const uint8_t*>(zero) - p) : n;
    return std::string(reinterpret_cast<const char*>(p), length);
}

}  // namespace crt
