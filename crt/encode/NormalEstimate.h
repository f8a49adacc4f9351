#pragma once
// What the decoder recomputes from the decoded mesh for the position-based
// normal modes: the area-weighted face-normal sums and the rim marks. Both
// must match the decoder bit for bit, so the arithmetic follows it step by
// step in single precision, in decoding order.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt::enc {

// positions: 3 quantised integers per decoded vertex; faces: decoded indices.
std::vector<float> estimateNormals(const std::vector<int32_t>& positions, const std::vector<uint32_t>& faces,
                                   uint32_t NV);

// Non-zero for vertices the decoder treats as rim vertices.
std::vector<int32_t> rimMarks(const std::vector<uint32_t>& faces, uint32_t NV);

}  // namespace crt::enc
