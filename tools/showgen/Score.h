#pragma once
// The written music: tempo grid, chords per bar and the note strings of the melodies.
#include "tools/showgen/Instruments.h"

#include <string>
#include <vector>

namespace showgen {

// 114 beats a minute; every second beat falls on a peak of the show's 57-a-minute pulse.
constexpr double kBeatSeconds = 60.0 / 114.0;
constexpr double kGridStart = 0.6938;  // music time of beat 0
constexpr int kBeatsPerBar = 4;
constexpr int kBars = 76;  // the last bar rings out to the end of the track

inline double beatTime(double beat) { return kGridStart + beat * kBeatSeconds; }
inline double barTime(double bar) { return beatTime(bar * kBeatsPerBar); }

struct Chord {
    int root = 2;         // pitch class, 0 = C
    bool minor = true;
};
Chord chordOfBar(int bar);

// Chord tones (pitch classes: root, third, fifth).
std::vector<int> chordTones(const Chord& c);
// The pitch of the pitch class nearest above `low` (inclusive).
int pitchAtOrAbove(int pitchClass, int low);

// Parses a bar of melody written in eighth notes: note names ("D5", "C#5", "Bb4") start a note,
// "-" holds the previous one, "." is a rest. Times are in beats from the bar's start.
struct ScoreNote {
    double beat = 0, beats = 0;
    int pitch = 60;
};
std::vector<ScoreNote> parseBar(const std::string& eighths);
int parseNoteName(const std::string& name);  // throws std::invalid_argument on a bad name

// The melodies: one string of eight eighth notes per bar.
extern const std::vector<std::string> kHookA, kHookB, kHookC, kHookD, kIntroBells, kCounterMelody;

}  // namespace showgen
