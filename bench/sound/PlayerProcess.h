#pragma once
// A click player in a process of its own (bench/sound/click_player, perhaps a
// Windows build of it under Wine), its readings put on our clock.
//
// The player's clock need not be ours (Wine's performance counter runs on
// the raw monotonic clock, ours on the adjusted one), so every line it prints
// is timed as it arrives: arrival minus the player's time is the clocks'
// difference plus the pipe's delay, and the smallest of these in each second
// lies within the pipe's shortest delay (tens of microseconds) of the
// difference. A line fitted through those minima maps the player's times.
#include "bench/sound/ClickTrack.h"

#include <cstdint>
#include <string>
#include <vector>

struct PlayerRun {
    std::vector<Reading> log;  // on our clock
    int64_t begin = -1;        // the track started over after the warm-up
    int64_t seek = -1;         // right after the seek, -1 without one
    std::string output;        // AudioOutputName() at the end
    std::string lines;         // what else the player printed (the back end's lines)
    double offsetMs = 0;       // our clock minus the player's, at its first reading
    double driftPpm = 0;       // how fast that difference moved
    double fitMs = 0;          // the largest distance of a second's minimum from the fitted line
};

// Runs `command` (the player and its arguments) and waits for it. False (and
// `error`) when it cannot be started, fails, or prints no readings.
bool runPlayer(const std::vector<std::string>& command, PlayerRun& run, std::string& error);
