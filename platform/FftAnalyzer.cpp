#include "platform/FftAnalyzer.h"

#include <cmath>
#include <fftw3.h>

namespace platform {

SpectrumAnalyzer::SpectrumAnalyzer() {
    input_ = fftwf_alloc_real(kSpectrumWindow);
    auto* out = fftwf_alloc_complex(kSpectrumWindow / 2 + 1);
    output_ = out;
    // FFTW_ESTIMATE plans without timing runs and leaves the input untouched.
    plan_ = fftwf_plan_dft_r2c_1d(kSpectrumWindow, input_, out, FFTW_ESTIMATE);
    const double twoPi = 6.283185307179586;
    for (int n = 0; n < kSpectrumWindow; ++n)
        window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(twoPi * n / kSpectrumWindow));
}

SpectrumAnalyzer::~SpectrumAnalyzer() {
    if (plan_) fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftwf_free(static_cast<fftwf_complex*>(output_));
    fftwf_free(input_);
}

void SpectrumAnalyzer::compute(const int16_t* stereoFrames, float* magnitudes) {
    for (int n = 0; n < kSpectrumWindow; ++n) {
        const float mono = (static_cast<float>(stereoFrames[2 * n]) +
                            static_cast<float>(stereoFrames[2 * n + 1])) * (0.5f / 32768.0f);
        input_[n] = mono * window_[n];
    }
    fftwf_execute(static_cast<fftwf_plan>(plan_));
    const auto* out = static_cast<const fftwf_complex*>(output_);
    constexpr float scale = 1.0f / (kSpectrumWindow / 2);
    for (int k = 0; k < kSpectrumBins; ++k)
        magnitudes[k] = std::hypot(out[k][0], out[k][1]) * scale;
}

}  // namespace platform
