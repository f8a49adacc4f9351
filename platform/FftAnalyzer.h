#pragma once
// The spectrum of what is playing now: 1024 magnitudes from 2048 stereo frames.
#include <cstdint>

namespace platform {

constexpr int kSpectrumWindow = 2048;  // stereo frames analysed
constexpr int kSpectrumBins = 1024;    // magnitudes delivered

// Computes 1024 magnitudes from 2048 stereo frames of 16-bit audio (interleaved L, R).
// The frames are mixed to mono ((L + R) / 2 / 32768), weighted by a Hann window
// w[n] = 0.5 - 0.5 cos(2 pi n / 2048), transformed with FFTW (single precision, real to complex),
// and magnitude[k] = |X[k]| / 1024 for k = 0 .. 1023.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer();   // plans once (FFTW planning is not thread-safe: plan on one thread)
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    void compute(const int16_t* stereoFrames, float* magnitudes);  // magnitudes: 1024 floats

private:
    float* input_ = nullptr;   // windowed mono samples, FFTW-aligned
    void* output_ = nullptr;   // fftwf_complex[kSpectrumWindow / 2 + 1]
    void* plan_ = nullptr;     // fftwf_plan
    float window_[kSpectrumWindow];
};

}  // namespace platform
