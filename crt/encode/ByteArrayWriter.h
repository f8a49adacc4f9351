#pragma once
// One coded byte array, raw (length and bytes) or as a Tunstall block.
#include <cstdint>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/ByteWriter.h"

namespace crt::enc {

void writeByteArray(ByteWriter& out, Entropy entropy, const std::vector<uint8_t>& bytes);

}  // namespace crt::enc
