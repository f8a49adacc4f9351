#pragma once
// Structs that carry their size. A caller built against an older header
// passes a shorter struct, one built against a newer header a longer one:
// the library reads and writes only the bytes both know, and gives the
// fields the caller does not know their defaults. A field added later starts
// at or after the whole size of the struct before it (never in its tail
// padding, which an older caller leaves unset).
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "crt/include/crt.h"

namespace crt::api {

// The size each struct had when struct_size came in (1.1): a smaller
// struct_size is a caller's mistake, most often a struct_size left unset.
template <class T>
struct FirstSize;
#define CRT_FIRST_SIZE(type, last) \
    template <>                    \
    struct FirstSize<type> {       \
        static constexpr size_t value = offsetof(type, last) + sizeof(type::last); \
    }
CRT_FIRST_SIZE(crt_limits, max_bytes);
CRT_FIRST_SIZE(crt_mesh_info, working_bytes);
CRT_FIRST_SIZE(crt_attribute_info, type);
CRT_FIRST_SIZE(crt_outputs, uvs_capacity);
CRT_FIRST_SIZE(crt_mesh, uv_components);
CRT_FIRST_SIZE(crt_encode_options, search);
#undef CRT_FIRST_SIZE

template <class T>
bool sizeKnown(uint32_t structSize)
{
    return structSize >= FirstSize<T>::value;
}

// The caller's struct over `into`, which holds the defaults: false (and
// nothing read) when its struct_size is too small.
template <class T>
bool takeSized(const T& given, T& into)
{
    const uint32_t size = given.struct_size;
    if (!sizeKnown<T>(size))
        return false;
    std::memcpy(&into, &given, std::min<size_t>(size, sizeof(T)));
    into.struct_size = uint32_t(sizeof(T));
    return true;
}

// Writes value into the caller's struct as far as its struct_size reaches,
// which stays as the caller set it: false (and nothing written) when too small.
template <class T>
bool giveSized(T& out, const T& value)
{
    const uint32_t size = out.struct_size;
    if (!sizeKnown<T>(size))
        return false;
    std::memcpy(&out, &value, std::min<size_t>(size, sizeof(T)));
    out.struct_size = size;
    return true;
}

}  // namespace crt::api
