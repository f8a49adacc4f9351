#pragma once
// The values a normal attribute stores: grid points predicted along the
// topology (DIFF), or the grid corrections between the decoder's estimate
// from the decoded positions and the true grid point (position-based modes).
#include <cstdint>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/Prediction.h"

namespace crt::enc {

struct NormalPayload {
    NormalMode mode = DIFF;
    std::vector<int32_t> values;  // pairs; one per vertex, or per rim vertex in the rim mode
    uint32_t unusableEstimates = 0;  // vertices that made a position-based mode fall back
};

// normals: 3 floats per input vertex; order/predictors/faces from the
// topology (faces empty for a point set); positions: the quantised position
// integers in decoding order, or null. A position-based mode falls back to
// DIFF where the decoder's estimate would be degenerate (a zero sum).
NormalPayload buildNormalPayload(const std::vector<float>& normals, const std::vector<uint32_t>& order,
                                 const Predictors& predictors, const std::vector<uint32_t>& faces,
                                 const std::vector<int32_t>* positions, int32_t unit, NormalMode requested);

}  // namespace crt::enc
