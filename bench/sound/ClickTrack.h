#pragma once
// A click track and the means to find its clicks again: in the decoded track,
// in what a sink's monitor recorded, and in a log of reported positions.
#include "tools/showgen/Mp3Codec.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr double kClickSpacing = 0.5;  // seconds between clicks
constexpr double kTicksPerSecond = 1e7;

// Clicks of 3 kHz at 0.8 of full scale, 10 ms long, every half second from
// 0.25 s on; silence between them.
showgen::PcmStereo clickTrack(double seconds);

// Encodes the click track as an MP3 at `path` and gives the frames where its
// clicks start as the back end's decoder delivers them; empty (and `error`)
// when it cannot be decoded.
std::vector<int64_t> writeClickTrack(const std::string& path, double seconds, std::string& error);

// Frames where the sound first passes a quarter of full scale after at least
// 0.2 s below it.
std::vector<int64_t> onsets(const std::vector<int16_t>& mono);

// One reading of the back end's position.
struct Reading {
    int64_t ticks;
    int64_t position;  // bytes
};

// The reported position (in frames) at `ticks`, interpolated in `log` (in
// time order), and whether it was moving then (not held at a seek's target
// or stopped).
bool reportedAt(const std::vector<Reading>& log, double ticks, double& frames);

// The click of `clicks` nearest to `frame`.
int64_t nearestClick(const std::vector<int64_t>& clicks, double frame);

// The q-quantile (0..1) of `values`, which must not be empty.
double quantile(std::vector<double> values, double q);
