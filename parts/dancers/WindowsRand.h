#pragma once
// The pseudo-random generator of the Windows C runtime's rand(): a linear
// congruential rule whose results are bits 16 to 30 of the state. The show was
// made on that platform; using the same rule keeps the same points on screen.
#include <cstdint>

class WindowsRand {
public:
    static constexpr int kMax = 32767;

    explicit WindowsRand(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t seed) { state_ = seed; }

    // The next integer, 0 to 32767.
    int next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    // The next number scaled to 0..1 (both ends included).
    float unit() { return static_cast<float>(next()) / static_cast<float>(kMax); }

private:
    uint32_t state_;
};
