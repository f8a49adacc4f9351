#pragma once
// The show's timeline for its makers: a bar along the bottom of the window
// with the show time, the windows of the timeline, a keyframed curve and the
// music's two pulse levels. A part fills the view every frame; the overlay
// draws it in developer mode.
#include <span>

// A window of the timeline: from its start to the next window's start.
struct TimelineWindow {
    float start;
    const char* name;
};

struct TimelineView {
    bool shown = false;            // a part filled it
    float time = 0;                // the show clock, seconds
    float end = 1;                 // the time at the bar's right end
    bool paused = false;
    float beat = 0;                // 0..1
    float fftBeat = 0;             // 0 and up
    std::span<const TimelineWindow> windows;  // by ascending start
    // A stepped curve: each value holds from its time to the next one's, the
    // first also before it.
    std::span<const float> curveTimes, curveValues;
};

// The window that `time` falls in (the first one before its start); null
// when there are none.
const TimelineWindow* WindowAt(std::span<const TimelineWindow> windows, float time);

// The bar's height in pixels.
inline constexpr float kTimelineHeight = 64.0f;

// Draws the bar over the bottom of a w x h window (framebuffer 0, program 0);
// leaves blending, depth testing and polygon smoothing off.
void DrawTimeline(const TimelineView& view, int width, int height);
