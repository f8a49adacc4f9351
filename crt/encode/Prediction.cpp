#include "crt/encode/Prediction.h"

namespace crt::enc {
namespace {

// Shared walk; Value is uint32_t or uint8_t, both wrapping.
template <typename Value, typename Stored>
std::vector<int32_t> predict(const std::vector<Stored>& V, int N, const Predictors& P, bool parallelogram) {
    std::vector<int32_t> r(V.size());
    const size_t count = N > 0 ? V.size() / N : 0;
    auto at = [&](size_t vertex, int c) { return static_cast<Value>(V[vertex * N + c]); };
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < N; ++c) {
            Value pred = 0;
            if (P.empty()) {
                if (i > 0) pred = at(i - 1, c);
            } else if (P.size() >= 2 && i > 0) {
                const auto& t = P[i];
                pred = parallelogram ? static_cast<Value>(at(t[0], c) + at(t[1], c) - at(t[2], c)) : at(t[0], c);
            }
            const Value diff = static_cast<Value>(at(i, c) - pred);
            if constexpr (sizeof(Value) == 1)
                r[i * N + c] = static_cast<int8_t>(diff);
            else
                r[i * N + c] = static_cast<int32_t>(diff);
        }
    }
    return r;
}

}  // namespace

std::vector<int32_t> predictIntegers(const std::vector<int32_t>& V, int N, const Predictors& P, bool parallelogram) {
    return predict<uint32_t>(V, N, P, parallelogram);
}

std::vector<int32_t> predictBytes(const std::vector<uint8_t>& V, int N, const Predictors& P, bool parallelogram) {
    return predict<uint8_t>(V, N, P, parallelogram);
}

}  // namespace crt::enc
