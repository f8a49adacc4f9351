#pragma once
// Residual sections: a bit stream of values followed by the bit counts that
// say how many bits each value takes. The values land interleaved, component
// c of vertex i at i * N + c, as 32-bit integers or as their low 8 bits.
#include <cstdint>
#include <vector>

#include "crt/ByteArray.h"
#include "crt/ByteCursor.h"

namespace crt {

// One bit-count array per component; every array must hold `count` entries.
// A count n > 0 stores |value| in n bits: v >= 2^(n-1) is the value itself,
// a smaller v stands for -v - 2^(n-1).
template <class T>
void readResiduals(ByteCursor& in, T* values, int N, uint32_t count);

// One bit-count array shared by all components of a vertex; each component
// is stored as value + 2^(n-1) in n bits. The array may hold at most maxCount
// entries; returns how many it holds.
template <class T>
uint32_t readResidualsShared(ByteCursor& in, T* values, int N, uint32_t maxCount);

// Moves the cursor past a residual section with `arrays` bit-count arrays
// without decoding it.
void skipResiduals(ByteCursor& in, int arrays);

}  // namespace crt
