#pragma once
// The makers' keyboard transport, the same moves as the surface's: Space
// pauses and resumes, Left and Right scrub by 1 s (10 s with Shift), Page Up
// and Page Down jump to the previous and next start of a timeline window,
// Home goes to 0.
#include "live/Timeline.h"

#include <cstdint>
#include <optional>
#include <span>

enum class TransportMove : uint8_t { TogglePause, Scrub, PreviousWindow, NextWindow, Home };

struct TransportKey {
    TransportMove move;
    float seconds = 0;  // for Scrub: how far, negative backward
};

// The move of a key press (SDL scancode), if it is one.
std::optional<TransportKey> TransportKeyFor(int scancode, bool shift);

// The clock after a move, kept within 0..`end`. Page Up from within the
// first half second of a window goes to the window before it, so pressing
// it again keeps going back. TogglePause flips `paused` and keeps the time.
float ApplyTransportKey(const TransportKey& key, float time, std::span<const TimelineWindow> windows, float end,
                        bool& paused);
