#include "bench/sound/ClickTrack.h"

#include "platform/Audio.h"
#include "platform/AudioDecode.h"

#include <algorithm>
#include <cmath>

showgen::PcmStereo clickTrack(double seconds)
{
    showgen::PcmStereo pcm;
    const auto frames = static_cast<size_t>(seconds * platform::kAudioRate);
    pcm.samples.assign(2 * frames, 0);
    for (double at = 0.25; at + 0.02 < seconds; at += kClickSpacing) {
        const auto first = static_cast<size_t>(at * platform::kAudioRate);
        for (size_t n = 0; n < platform::kAudioRate / 100; ++n) {
            const auto v = static_cast<int16_t>(26000 * std::sin(2 * M_PI * 3000.0 * static_cast<double>(n) / platform::kAudioRate));
            pcm.samples[2 * (first + n)] = v;
            pcm.samples[2 * (first + n) + 1] = v;
        }
    }
    return pcm;
}

std::vector<int64_t> writeClickTrack(const std::string& path, double seconds, std::string& error)
{
    showgen::encodeMp3(clickTrack(seconds), 192, path);
    platform::DecodedAudio decoded;
    if (!platform::DecodeAudioFile(path, decoded, error)) return {};
    std::vector<int16_t> mono(static_cast<size_t>(decoded.frames));
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = static_cast<int16_t>((decoded.pcm[2 * i] + decoded.pcm[2 * i + 1]) / 2);
    return onsets(mono);
}

std::vector<int64_t> onsets(const std::vector<int16_t>& mono)
{
    std::vector<int64_t> found;
    int64_t quietSince = 0;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(int{mono[i]}) < 8192) continue;
        const auto here = static_cast<int64_t>(i);
        if (here - quietSince >= platform::kAudioRate / 5) found.push_back(here);
        quietSince = here;
    }
    return found;
}

bool reportedAt(const std::vector<Reading>& log, double ticks, double& frames)
{
    const auto after = std::lower_bound(log.begin(), log.end(), ticks,
                                        [](const Reading& r, double t) { return static_cast<double>(r.ticks) < t; });
    if (after == log.begin() || after == log.end()) return false;
    const Reading& a = *(after - 1);
    const Reading& b = *after;
    const double share = (ticks - static_cast<double>(a.ticks)) / static_cast<double>(std::max<int64_t>(b.ticks - a.ticks, 1));
    frames = (static_cast<double>(a.position) + share * static_cast<double>(b.position - a.position)) / platform::kAudioBytesPerFrame;
    // Held: no movement over 20 ms around the moment.
    const auto span = static_cast<int64_t>(0.01 * kTicksPerSecond);
    const auto lo = std::lower_bound(log.begin(), log.end(), a.ticks - span,
                                     [](const Reading& r, int64_t t) { return r.ticks < t; });
    const auto hi = std::lower_bound(log.begin(), log.end(), b.ticks + span,
                                     [](const Reading& r, int64_t t) { return r.ticks < t; });
    return hi != log.end() && hi->position > lo->position;
}

int64_t nearestClick(const std::vector<int64_t>& clicks, double frame)
{
    return *std::min_element(clicks.begin(), clicks.end(), [&](int64_t a, int64_t b) {
        return std::abs(static_cast<double>(a) - frame) < std::abs(static_cast<double>(b) - frame);
    });
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}
