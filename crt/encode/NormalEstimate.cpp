#include "crt/encode/NormalEstimate.h"

namespace crt::enc {

std::vector<float> estimateNormals(const std::vector<int32_t>& positions, const std::vector<uint32_t>& faces,
                                   uint32_t NV) {
    std::vector<float> est(static_cast<size_t>(NV) * 3, 0.0f);
    for (size_t f = 0; f + 2 < faces.size(); f += 3) {
        const uint32_t a = faces[f], b = faces[f + 1], c = faces[f + 2];
        float pa[3], pb[3], pc[3];
        for (int k = 0; k < 3; ++k) {
            pa[k] = static_cast<float>(positions[3 * size_t(a) + k]);
            pb[k] = static_cast<float>(positions[3 * size_t(b) + k]);
            pc[k] = static_cast<float>(positions[3 * size_t(c) + k]);
        }
        const float d1[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
        const float d2[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
        const float n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2],
                            d1[0] * d2[1] - d1[1] * d2[0]};
        for (uint32_t v : {a, b, c})
            for (int k = 0; k < 3; ++k) est[3 * size_t(v) + k] += n[k];
    }
    return est;
}

std::vector<int32_t> rimMarks(const std::vector<uint32_t>& faces, uint32_t NV) {
    std::vector<int32_t> mark(NV, 0);
    for (size_t f = 0; f + 2 < faces.size(); f += 3) {
        const int32_t a = static_cast<int32_t>(faces[f]), b = static_cast<int32_t>(faces[f + 1]),
                      c = static_cast<int32_t>(faces[f + 2]);
        mark[a] ^= b;
        mark[a] ^= c;
        mark[b] ^= c;
        mark[b] ^= a;
        mark[c] ^= a;
        mark[c] ^= b;
    }
    return mark;
}

}  // namespace crt::enc
