#include "crt/encode/NormalPayload.h"

#include <cmath>

#include "crt/encode/NormalEstimate.h"
#include "crt/encode/Octahedral.h"

namespace crt::enc {
namespace {

std::vector<int32_t> gridPoints(const std::vector<float>& normals, const std::vector<uint32_t>& order, int32_t u) {
    std::vector<int32_t> grid(order.size() * 2, 0);
    for (size_t i = 0; i < order.size(); ++i) {
        const float* n = &normals[size_t(order[i]) * 3];
        const float h = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
        if (!(h > 0.0f) || !std::isfinite(h)) continue;  // no direction: (0, 0), straight up
        const auto g = octEncode(n, u);
        grid[2 * i] = g[0];
        grid[2 * i + 1] = g[1];
    }
    return grid;
}

bool degenerate(const float* e) { return std::fabs(e[0]) + std::fabs(e[1]) + std::fabs(e[2]) == 0.0f; }

}  // namespace

NormalPayload buildNormalPayload(const std::vector<float>& normals, const std::vector<uint32_t>& order,
                                 const Predictors& predictors, const std::vector<uint32_t>& faces,
                                 const std::vector<int32_t>* positions, int32_t unit, NormalMode requested) {
    const uint32_t NV = static_cast<uint32_t>(order.size());
    const std::vector<int32_t> grid = gridPoints(normals, order, unit);
    NormalPayload out;
    if (requested != DIFF && positions != nullptr && !faces.empty()) {
        const std::vector<float> est = estimateNormals(*positions, faces, NV);
        std::vector<int32_t> marks;
        if (requested == FROM_POSITIONS_RIM) marks = rimMarks(faces, NV);
        std::vector<int32_t> corrections;
        for (uint32_t i = 0; i < NV; ++i) {
            const float* e = &est[size_t(i) * 3];
            // A rim vertex is corrected from the estimate's grid point; any
            // other vertex takes the normalised estimate. Both need a non-zero sum.
            if (degenerate(e)) {
                ++out.unusableEstimates;
                continue;
            }
            if (requested == FROM_POSITIONS || marks[i] != 0) {
                const auto g = octProjectEstimate(e, unit);
                corrections.push_back(static_cast<int32_t>(static_cast<uint32_t>(grid[2 * i]) - static_cast<uint32_t>(g[0])));
                corrections.push_back(static_cast<int32_t>(static_cast<uint32_t>(grid[2 * i + 1]) - static_cast<uint32_t>(g[1])));
            }
        }
        if (out.unusableEstimates == 0) {
            out.mode = requested;
            out.values = std::move(corrections);
            return out;
        }
    }
    out.mode = DIFF;
    out.values = predictIntegers(grid, 2, predictors, false);
    return out;
}

}  // namespace crt::enc
