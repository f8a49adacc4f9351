#pragma once
// One moment in each window of the show's timeline, and the moment that
// draws no geometry, for the frame benchmarks.

struct ShowMoment {
    const char* name;
    float t;
};

inline constexpr ShowMoment kShowMoments[] = {
    {"intro orbit, 1 dancer", 10.0f},         {"front view, 3 dancers + rings", 25.0f},
    {"orbit, 2 dancers + 200x200 grid", 42.0f}, {"dolly, 1 dancer + strip", 60.0f},
    {"shots, 3 dancers + 29 rings", 80.0f},   {"close-up, 1 dancer all points", 105.0f},
    {"shots, 5 dancers + 29 rings", 120.0f},  {"closing dolly + strip", 138.0f},
};

// At 67.9 s exactly no dancer, ring, circle or grid is drawn: the passes alone.
inline constexpr float kPassesAlone = 67.9f;
