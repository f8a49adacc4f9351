#pragma once
// One coded byte array, raw (length and bytes) or as a Tunstall block.
#include <cstdint>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/ByteWriter.h"

namespace crt::enc {

// How hard the writers look for a smaller coding of the same values; the
// decoder reads the same values whatever they find.
struct CodingEffort {
    int tableBudget = 0;          // other Tunstall tables tried per array
    bool widerBitCounts = false;  // shared bit counts raised where the stream gets smaller
};

void writeByteArray(ByteWriter& out, Entropy entropy, const std::vector<uint8_t>& bytes, const CodingEffort& effort = {});

}  // namespace crt::enc
