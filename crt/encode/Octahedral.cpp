#include "crt/encode/Octahedral.h"

#include <cmath>
#include <cstdlib>

namespace crt::enc {

std::array<int32_t, 2> octEncode(const float n[3], int32_t u) {
    const double h = std::fabs(double(n[0])) + std::fabs(double(n[1])) + std::fabs(double(n[2]));
    double ox = n[0] / h, oy = n[1] / h;
    if (n[2] < 0) {
        const double fx = (1.0 - std::fabs(oy)) * (n[0] < 0 ? -1.0 : 1.0);
        const double fy = (1.0 - std::fabs(ox)) * (n[1] < 0 ? -1.0 : 1.0);
        ox = fx;
        oy = fy;
    }
    const int32_t X0 = static_cast<int32_t>(std::lround(ox * u));
    const int32_t Y0 = static_cast<int32_t>(std::lround(oy * u));
    // Rounding each coordinate on its own can miss the nearest direction
    // near the folds; try the neighbours too.
    const double len = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
    std::array<int32_t, 2> best{X0, Y0};
    double bestDot = -2.0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int32_t X = X0 + dx, Y = Y0 + dy;
            if (std::abs(X) > u || std::abs(Y) > u) continue;
            const std::array<float, 3> d = octDecode(X, Y, u);
            const double dot = (d[0] * double(n[0]) + d[1] * double(n[1]) + d[2] * double(n[2])) / len;
            if (dot > bestDot) {
                bestDot = dot;
                best = {X, Y};
            }
        }
    }
    return best;
}

std::array<float, 3> octDecode(int32_t X, int32_t Y, int32_t u) {
    const int32_t z = u - std::abs(X) - std::abs(Y);
    int32_t x = X, y = Y;
    if (z < 0) {
        x = X > 0 ? u - std::abs(Y) : -(u - std::abs(Y));
        y = Y > 0 ? u - std::abs(X) : -(u - std::abs(X));
    }
    const float fx = static_cast<float>(x), fy = static_cast<float>(y), fz = static_cast<float>(z);
    const float len = static_cast<float>(std::sqrt(static_cast<double>(fx * fx + fy * fy + fz * fz)));
    return {fx / len, fy / len, fz / len};
}

std::array<int32_t, 2> octProjectEstimate(const float e[3], int32_t u) {
    const float h = std::fabs(e[0]) + std::fabs(e[1]) + std::fabs(e[2]);
    float ox = e[0] / h;
    float oy = e[1] / h;
    if (e[2] < 0) {
        const float fx = e[0] < 0 ? -(1.0f - std::fabs(oy)) : 1.0f - std::fabs(oy);
        const float fy = e[1] < 0 ? -(1.0f - std::fabs(ox)) : 1.0f - std::fabs(ox);
        ox = fx;
        oy = fy;
    }
    const float fu = static_cast<float>(u);
    return {static_cast<int32_t>(fu * ox), static_cast<int32_t>(fu * oy)};
}

}  // namespace crt::enc
