// The spectrum the show's pulse and rings are driven by: real FFT of a Hann-windowed mono mix.
#include "platform/FftAnalyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using platform::kSpectrumBins;
using platform::kSpectrumWindow;

// Stereo frames of a sine of `amplitude` (full scale 1.0) completing `cycles` periods per window.
std::vector<int16_t> sineFrames(double cycles, double amplitude, double rightScale = 1.0) {
    std::vector<int16_t> frames(2 * kSpectrumWindow);
    for (int n = 0; n < kSpectrumWindow; ++n) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * cycles * n / kSpectrumWindow) * 32767.0;
        frames[2 * n] = static_cast<int16_t>(std::lround(v));
        frames[2 * n + 1] = static_cast<int16_t>(std::lround(v * rightScale));
    }
    return frames;
}

std::vector<float> spectrumOf(const std::vector<int16_t>& frames) {
    platform::SpectrumAnalyzer analyzer;
    std::vector<float> mags(kSpectrumBins, -1.0f);
    analyzer.compute(frames.data(), mags.data());
    return mags;
}

TEST(Spectrum, SineAtBinCentrePeaksThereWithHalfItsAmplitude) {
    for (int bin : {2, 5, 37, 200, 1000}) {
        const double amplitude = 0.5;
        const auto mags = spectrumOf(sineFrames(bin, amplitude));
        const auto peak = std::max_element(mags.begin(), mags.end()) - mags.begin();
        EXPECT_EQ(peak, bin);
        EXPECT_NEAR(mags[bin], amplitude / 2, 1e-3) << "bin " << bin;
        // The Hann window spreads a centred sine onto its two neighbours only (amplitude / 4 each).
        EXPECT_NEAR(mags[bin - 1], amplitude / 4, 1e-3);
        EXPECT_NEAR(mags[bin + 1], amplitude / 4, 1e-3);
        for (int k = 0; k < kSpectrumBins; ++k)
            if (std::abs(k - bin) > 1) {
                ASSERT_LT(mags[k], 1e-3) << "leak into bin " << k;
            }
    }
}

TEST(Spectrum, SilenceGivesZerosAndDcGoesToBinZero) {
    const auto silent = spectrumOf(std::vector<int16_t>(2 * kSpectrumWindow, 0));
    for (float m : silent) ASSERT_EQ(m, 0.0f);

    // A constant level c: the windowed sum is c * N / 2, scaled by 1 / 1024 gives c.
    const auto dc = spectrumOf(std::vector<int16_t>(2 * kSpectrumWindow, 16384));
    EXPECT_NEAR(dc[0], 0.5, 1e-4);
    EXPECT_NEAR(dc[1], 0.25, 1e-4);  // Hann window's own spectrum
    for (int k = 2; k < kSpectrumBins; ++k) ASSERT_LT(dc[k], 1e-4) << k;
}

TEST(Spectrum, ChannelsAreAveragedToMono) {
    // Right silent: the mono mix has half the level.
    const auto leftOnly = spectrumOf(sineFrames(64, 0.8, 0.0));
    EXPECT_NEAR(leftOnly[64], 0.2, 1e-3);
    // Opposite phases cancel.
    const auto opposite = spectrumOf(sineFrames(64, 0.8, -1.0));
    for (float m : opposite) ASSERT_LT(m, 1e-4);
}

TEST(Spectrum, EachCallAnalysesOnlyItsOwnInput) {
    platform::SpectrumAnalyzer analyzer;
    std::vector<float> first(kSpectrumBins), again(kSpectrumBins), quiet(kSpectrumBins);
    const auto loud = sineFrames(10, 0.9);
    analyzer.compute(loud.data(), first.data());
    const std::vector<int16_t> silence(2 * kSpectrumWindow, 0);
    analyzer.compute(silence.data(), quiet.data());
    analyzer.compute(loud.data(), again.data());
    for (float m : quiet) ASSERT_EQ(m, 0.0f);
    EXPECT_EQ(first, again);
}

}  // namespace
