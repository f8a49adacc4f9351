#pragma once
// The two residual layouts: one bit-count array per component, or one bit
// count per vertex shared by all its components. Values are interleaved per
// vertex (component c of vertex i at i x N + c).
#include <cstdint>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/ByteArrayWriter.h"
#include "crt/encode/ByteWriter.h"

namespace crt::enc {

void writeResiduals(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N,
                    const CodingEffort& effort = {});
void writeResidualsShared(ByteWriter& out, Entropy entropy, const std::vector<int32_t>& values, int N,
                          const CodingEffort& effort = {});

// Bit length of |v| (0 for 0): the per-component bit count.
int magnitudeBits(int32_t v);
// Smallest n with -2^(n-1) <= v < 2^(n-1) (0 for 0): the shared bit count.
int offsetBits(int32_t v);

}  // namespace crt::enc
