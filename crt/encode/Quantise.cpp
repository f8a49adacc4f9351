#include "crt/encode/Quantise.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "crt/encode/EncodeError.h"

namespace crt::enc {
namespace {
// Keeps every prediction residual, even of the parallelogram rule, inside 31
// bits, so the shared bit count never reaches 32.
constexpr double kLargest = double(1 << 27);
}  // namespace

float stepForBits(const std::vector<float>& values, int N, int bits) {
    if (bits < 1 || bits > 26) throw EncodeError("quantisation bits must be within 1..26");
    double extent = 0.0;
    for (int c = 0; c < N; ++c) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (size_t i = c; i < values.size(); i += N) {
            lo = std::min(lo, double(values[i]));
            hi = std::max(hi, double(values[i]));
        }
        if (hi > lo) extent = std::max(extent, hi - lo);
    }
    if (!(extent > 0.0) || !std::isfinite(extent)) return 1.0f;
    const float step = static_cast<float>(extent / (std::ldexp(1.0, bits) - 1.0));
    return step > 0.0f ? step : std::numeric_limits<float>::min();
}

std::vector<int32_t> quantise(const std::vector<float>& values, int N, float step,
                              const std::vector<uint32_t>& order, const std::string& name) {
    if (!(step > 0.0f) || !std::isfinite(step)) throw EncodeError("attribute '" + name + "': the step must be positive");
    std::vector<int32_t> out(order.size() * N);
    for (size_t i = 0; i < order.size(); ++i) {
        for (int c = 0; c < N; ++c) {
            const float v = values[size_t(order[i]) * N + c];
            if (!std::isfinite(v))
                throw EncodeError("attribute '" + name + "': vertex " + std::to_string(order[i]) + " is not a finite number");
            const double q = std::round(double(v) / double(step));
            if (std::fabs(q) > kLargest)
                throw EncodeError("attribute '" + name + "': vertex " + std::to_string(order[i]) +
                                  " lies too far from zero for the step " + std::to_string(step));
            out[i * N + c] = static_cast<int32_t>(q);
        }
    }
    return out;
}

std::vector<uint8_t> colorBytes(const std::vector<float>& rgba, const std::array<int, 4>& steps,
                                int storedChannels, const std::vector<uint32_t>& order) {
    std::vector<uint8_t> out(order.size() * storedChannels);
    for (size_t i = 0; i < order.size(); ++i) {
        int q[4];
        for (int k = 0; k < 4; ++k) {
            float v = rgba[size_t(order[i]) * 4 + k];
            if (!std::isfinite(v)) v = 0.0f;
            const int byte = static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
            // Nearest level, but never one whose value passes 255.
            q[k] = std::min(static_cast<int>(std::lround(double(byte) / steps[k])), 255 / steps[k]);
        }
        const uint8_t stored[4] = {static_cast<uint8_t>(q[1]), static_cast<uint8_t>(q[2] - q[1]),
                                   static_cast<uint8_t>(q[0] - q[1]), static_cast<uint8_t>(q[3])};
        for (int k = 0; k < storedChannels; ++k) out[i * storedChannels + k] = stored[k];
    }
    return out;
}

}  // namespace crt::enc
