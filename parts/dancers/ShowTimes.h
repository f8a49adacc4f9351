#pragma once
// The moments where the show changes scene, in seconds of the show clock.
// Kept as floats so that a clock standing exactly on a boundary (67.9 s, say)
// compares equal to it instead of against a slightly different double.
#include "live/Timeline.h"

namespace show_times {

constexpr float kIntroEnd = 16.85f;     // slow orbit ends, the front view begins
constexpr float kFrontEnd = 33.8f;      // the two-dancer orbit begins after this
constexpr float kOrbitEnd = 50.5f;      // the first dolly begins
constexpr float kDollyEnd = 67.9f;      // the cut shots and the spectrum pulse begin after this
constexpr float kCloseupStart = 101.5f; // the close-up of one dancer, between the shots
constexpr float kCloseupEnd = 108.5f;
constexpr float kRingLayout = 110.0f;   // three spinning dancers before, a ring of five after
constexpr float kShotsEnd = 135.3f;     // the closing dolly begins after this

// The windows of the timeline by their starts, as the makers' tools name them.
inline constexpr TimelineWindow kWindows[] = {
    {0.0f, "slow orbit"},   {kIntroEnd, "front view"},    {kFrontEnd, "orbit"},    {kOrbitEnd, "dolly"},
    {kDollyEnd, "shots"},   {kCloseupStart, "close-up"},  {kCloseupEnd, "shots"},  {kShotsEnd, "closing dolly"},
};

}  // namespace show_times
