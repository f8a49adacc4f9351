#pragma once
// A small deterministic generator: the same numbers on every machine and library,
// so the generated show data never changes between builds.
#include <cstdint>

namespace showgen {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next() {  // SplitMix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double bipolar() { return uniform() * 2.0 - 1.0; }                                           // [-1, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    uint64_t state_;
};

}  // namespace showgen
