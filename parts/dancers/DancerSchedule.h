#pragma once
// Which dancers the show draws at a given time, how each recording is played
// back (rate and start frame), and how strongly points are pulled away.
#include <cstddef>

// One dancer on screen: a recording slot played at `rate` frames per second
// of the clock from frame position `start`, `keep` of its points drawn,
// moved to `place` and turned `angle` degrees about the y axis.
struct DancerCall {
    int slot = 0;
    float keep = 0;
    float rate = 1;
    float start = 0;
    float place[3] = {0, 0, 0};
    float angle = 0;
};

// The calls of one frame, in drawing order (at most nine of them).
struct DancerCalls {
    static constexpr int kCapacity = 9;
    DancerCall calls[kCapacity];
    int count = 0;

    const DancerCall* begin() const { return calls; }
    const DancerCall* end() const { return calls + count; }
};

// The schedule's rows whose time window holds `t`, in row order.
DancerCalls dancersAt(float t, float closeupStart, float closeupEnd);

// The captured frame to show: `index` into the recording and the fraction
// `f` of the way from it to the next one. `valid` is false when there is no
// frame to show: an empty recording or a negative frame position.
struct FrameChoice {
    bool valid = false;
    size_t index = 0;
    float f = 0;
};

// Frame position max(1, rate) * t + start, wrapped to the recording's length.
FrameChoice chooseFrame(float rate, float start, float t, size_t frameCount);

// How strongly points are pulled toward their random targets at `t` (before
// 67.9 s): nothing until 23 s, rising toward 33.8 s, easing off after it, rising
// again from 44.8 s, and a very strong pull (times 20000) after 50.5 s that
// only the points high up feel.
float pullWeight(float t);
