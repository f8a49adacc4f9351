#include "tools/showgen/FftBeatSimulation.h"

#include "platform/FftAnalyzer.h"
#include "tools/showgen/Score.h"

#include <algorithm>
#include <cmath>

namespace showgen {

float fftBeatFromBin0(float s0, double ttime) {
    const float t = s0 * (s0 * s0 * 200 * 70);
    if (ttime < kDropTime) return static_cast<float>(t * 300000 + 0.005);
    const float bracket = t * t * 200 * 70;
    return static_cast<float>(bracket * 0.2 * 10 * t);
}

FftBeatTrace simulateFftBeat(const PcmStereo& pcm, double untilSeconds, double framesPerSecond) {
    using platform::kSpectrumBins;
    using platform::kSpectrumWindow;
    FftBeatTrace trace;
    trace.framesPerSecond = framesPerSecond;
    platform::SpectrumAnalyzer analyzer;
    std::vector<int16_t> window(2 * kSpectrumWindow);
    std::vector<float> raw(kSpectrumBins), smooth(kSpectrumBins, 0.0f);
    const auto frameCount = static_cast<size_t>(untilSeconds * framesPerSecond);
    for (size_t f = 0; f < frameCount; ++f) {
        const double ttime = static_cast<double>(f) / framesPerSecond;
        // The 2048 frames that end at the play position, silence before the start and after the end.
        const auto end = static_cast<long long>(std::llround(ttime * kSampleRate));
        for (int n = 0; n < kSpectrumWindow; ++n) {
            const long long i = end - kSpectrumWindow + n;
            const bool inside = i >= 0 && static_cast<size_t>(i) < pcm.frames();
            window[2 * n] = inside ? pcm.samples[2 * i] : 0;
            window[2 * n + 1] = inside ? pcm.samples[2 * i + 1] : 0;
        }
        analyzer.compute(window.data(), raw.data());
        for (int k = 0; k < kSpectrumBins; ++k)
            smooth[k] = static_cast<float>(smooth[k] + (static_cast<double>(raw[k]) - smooth[k]) * 0.1);
        trace.bin0.push_back(smooth[0]);
        trace.beat.push_back(fftBeatFromBin0(smooth[0], ttime));
    }
    return trace;
}

std::vector<SectionStats> summariseFftBeat(const FftBeatTrace& trace) {
    std::vector<SectionStats> sections = {
        {"intro", 0.0, kDropTime}, {"drop", kDropTime, 101.5}, {"break", 101.5, 108.5},
        {"second half", 108.5, 135.3}, {"outro", 135.3, 154.0}};
    for (auto& s : sections) {
        std::vector<float> values;
        for (size_t f = 0; f < trace.beat.size(); ++f) {
            const double t = static_cast<double>(f) / trace.framesPerSecond;
            if (t >= s.from && t < s.to) {
                values.push_back(trace.beat[f]);
                s.bin0Max = std::max(s.bin0Max, trace.bin0[f]);
            }
        }
        s.frames = values.size();
        if (values.empty()) continue;
        auto quantile = [](std::vector<float>& v, double q) {
            std::sort(v.begin(), v.end());
            return v[static_cast<size_t>(q * (v.size() - 1))];
        };
        s.p10 = quantile(values, 0.10);
        s.p50 = quantile(values, 0.50);
        s.p90 = quantile(values, 0.90);
        s.max = values.back();

        // Beats wholly inside the section, each window starting a little before its kick.
        std::vector<float> peaks;
        for (int b = 0; beatTime(b) < s.to; ++b) {
            const double from = beatTime(b) - 0.1, to = beatTime(b + 1) - 0.1;
            if (from < s.from || to > s.to) continue;
            float peak = 0;
            for (auto f = static_cast<size_t>(std::ceil(from * trace.framesPerSecond));
                 f < trace.beat.size() && f < to * trace.framesPerSecond; ++f)
                peak = std::max(peak, trace.beat[f]);
            peaks.push_back(peak);
        }
        s.beats = peaks.size();
        if (peaks.empty()) continue;
        s.peakP10 = quantile(peaks, 0.10);
        s.peakP50 = quantile(peaks, 0.50);
        s.peakP90 = quantile(peaks, 0.90);
    }
    return sections;
}

}  // namespace showgen
