#pragma once
// Constants of the crt compressed-mesh byte format, shared by decoder and encoder.
#include <cstdint>

namespace crt {

constexpr uint32_t kMagic = 0x787A6300;  // bytes 00 63 7A 78

enum Entropy : int32_t {
    ENTROPY_RAW = 0,
    ENTROPY_TUNSTALL = 1,
};

// Attribute codec ids as stored in a descriptor.
enum Codec : int32_t {
    KIND_GENERIC = 1,  // any value other than 2 and 3 in a stream
    KIND_NORMAL = 2,
    KIND_COLOR = 3,
};

// Output / input element formats.
enum Format : int32_t {
    FMT_U32 = 0,
    FMT_I32 = 1,
    FMT_U16 = 2,
    FMT_I16 = 3,
    FMT_U8 = 4,
    FMT_I8 = 5,
    FMT_F32 = 6,
    FMT_F64 = 7,
};

// Strategy bits of a descriptor.
enum Strategy : int32_t {
    PARALLELOGRAM = 1,
    SHARED_BITS = 2,
};

// Normal prediction modes.
enum NormalMode : int32_t {
    DIFF = 0,
    FROM_POSITIONS = 1,
    FROM_POSITIONS_RIM = 2,
};

// Topology symbols, one per traversal step.
enum Symbol : uint8_t {
    ADD_VERTEX = 0,
    FOLD_PREV = 1,
    FOLD_NEXT = 2,
    FOLD_BOTH = 3,
    SKIP_EDGE = 4,
    POSTPONE = 5,
    REUSE_VERTEX = 6,
};

}  // namespace crt
