#include "parts/dancers/KeyframeTrack.h"

#include <fstream>

bool KeyframeTrack::load(const std::string& path)
{
    std::ifstream file(path);
    if (!file) return false;
    times.clear();
    values.clear();
    float t = 0;
    float v = 0;
    while (file >> t >> v) {
        times.push_back(t);
        values.push_back(v);
    }
    return true;
}

float KeyframeTrack::valueAt(float time) const
{
    const size_t n = times.size();
    if (n == 0) return -1.0f;
    // The first time is never compared: anything before the second keyframe
    // has the first value.
    for (size_t i = 1; i < n; ++i)
        if (time < times[i]) return values[i - 1];
    return values[n - 1];
}
