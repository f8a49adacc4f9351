#pragma once
// Replays the show's spectrum pulse ("fftbeat") over a decoded track, frame by frame,
// to check that the track's low end drives it in the intended range.
#include "tools/showgen/Mp3Codec.h"

#include <string>
#include <vector>

namespace showgen {

constexpr double kDropTime = 67.9;  // the pulse formula changes here

// The pulse from the smoothed lowest bin, as the show computes it at show time `ttime`.
float fftBeatFromBin0(float s0, double ttime);

// fftbeat at every frame of a 60 frames-per-second run with the show clock equal to the music time.
struct FftBeatTrace {
    double framesPerSecond = 60.0;
    std::vector<float> beat;     // fftbeat per frame
    std::vector<float> bin0;     // smoothed bin 0 per frame
};
FftBeatTrace simulateFftBeat(const PcmStereo& pcm, double untilSeconds, double framesPerSecond = 60.0);

struct SectionStats {
    std::string name;
    double from = 0, to = 0;
    size_t frames = 0;
    float p10 = 0, p50 = 0, p90 = 0, max = 0;
    float bin0Max = 0;
    // The largest value within each beat of the track's grid: what each kick reaches.
    size_t beats = 0;
    float peakP10 = 0, peakP50 = 0, peakP90 = 0;
};
// Percentiles per section of the show: intro, drop, break, second half, outro.
std::vector<SectionStats> summariseFftBeat(const FftBeatTrace& trace);

}  // namespace showgen
