#pragma once
// Prediction residuals, the inverse of the decoder's unpredict: every vertex
// minus its prediction from vertices decoded before it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt::enc {

using Predictors = std::vector<std::array<uint32_t, 3>>;

// V: N integers per decoded vertex. With two or more predictor triples each
// vertex after the first is predicted from its triple (a for the plain rule,
// a + b - c for the parallelogram); with none from the previous vertex; with
// exactly one not at all. Arithmetic wraps at 32 bits, as the decoder's does.
std::vector<int32_t> predictIntegers(const std::vector<int32_t>& V, int N, const Predictors& P, bool parallelogram);

// The same over bytes in 8-bit wrap-around; residuals come back in -128..127.
std::vector<int32_t> predictBytes(const std::vector<uint8_t>& V, int N, const Predictors& P, bool parallelogram);

}  // namespace crt::enc
