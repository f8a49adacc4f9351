#pragma once
// A stepped track of (time, value) keyframes read from a text file.
#include <string>
#include <vector>

struct KeyframeTrack {
    std::vector<float> times;   // seconds, ascending
    std::vector<float> values;  // one per time

    // Reads whitespace-separated numbers in pairs, time then value, until the
    // end of the file or the first token that is not a number; a pair counts
    // only when both numbers were read. A file that cannot be opened leaves
    // the track as it was. Returns whether the file was opened.
    bool load(const std::string& path);

    // The value of the last keyframe whose time is at or before `time`, where
    // the first keyframe also covers every earlier time; -1 with no keyframes.
    // The value steps, it is not interpolated.
    float valueAt(float time) const;
};
