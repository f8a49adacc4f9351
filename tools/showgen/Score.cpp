#include "tools/showgen/Score.h"

#include <sstream>
#include <stdexcept>

namespace showgen {

namespace {
constexpr int D = 2, F = 5, G = 7, A = 9, Bb = 10, C = 0;
const Chord kDm{D, true}, kBb{Bb, false}, kF{F, false}, kC{C, false}, kGm{G, true}, kA{A, false};
}  // namespace

Chord chordOfBar(int bar) {
    // Intro A: two bars per chord; later, one bar per chord.
    static const Chord introA[8] = {kDm, kDm, kBb, kBb, kF, kF, kC, kC};
    static const Chord turnaround[8] = {kDm, kBb, kF, kC, kDm, kBb, kGm, kA};
    static const Chord loop[4] = {kDm, kBb, kF, kC};
    static const Chord breakdown[4] = {kBb, kC, kDm, kA};
    static const Chord secondHalf[12] = {kDm, kBb, kF, kC, kGm, kBb, kF, kC, kDm, kBb, kGm, kA};
    static const Chord outro[8] = {kDm, kBb, kF, kC, kDm, kBb, kGm, kA};
    if (bar < 8) return introA[bar];
    if (bar < 32) return turnaround[(bar - 8) % 8];
    if (bar < 48) return loop[(bar - 32) % 4];
    if (bar < 52) return breakdown[bar - 48];
    if (bar < 64) return secondHalf[bar - 52];
    if (bar < 71) return outro[bar - 64];
    return kDm;  // the final chord
}

std::vector<int> chordTones(const Chord& c) {
    return {c.root, (c.root + (c.minor ? 3 : 4)) % 12, (c.root + 7) % 12};
}

int pitchAtOrAbove(int pitchClass, int low) {
    int p = low + ((pitchClass - low) % 12 + 12) % 12;
    return p;
}

int parseNoteName(const std::string& name) {
    static const int letters[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') throw std::invalid_argument("bad note: " + name);
    int pc = letters[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') { ++pc; ++i; }
    else if (name[i] == 'b') { --pc; ++i; }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') throw std::invalid_argument("bad note: " + name);
    return 12 * (name[i] - '0' + 1) + pc;
}

std::vector<ScoreNote> parseBar(const std::string& eighths) {
    std::vector<ScoreNote> notes;
    std::istringstream in(eighths);
    std::string token;
    int slot = 0;
    bool holding = false;
    while (in >> token) {
        if (token == "-") {
            if (holding) notes.back().beats += 0.5;
        } else if (token == ".") {
            holding = false;
        } else {
            notes.push_back({slot * 0.5, 0.5, parseNoteName(token)});
            holding = true;
        }
        ++slot;
    }
    if (slot != 8) throw std::invalid_argument("a bar holds eight eighths: " + eighths);
    return notes;
}

// Over Dm Bb F C: the hook, and its answer a step higher.
const std::vector<std::string> kHookA = {
    "D5 - F5 - A5 - G5 F5", "G5 - F5 - E5 - D5 -", "C5 - F5 - A5 - C6 -", "Bb5 - A5 - G5 - E5 -"};
const std::vector<std::string> kHookB = {
    "D6 - C6 - A5 - F5 -", "F5 - G5 - A5 - Bb5 A5", "A5 - G5 - F5 - C5 -", "E5 - - - G5 - E5 -"};
// Over Gm Bb F C and Dm Bb Gm A (second half).
const std::vector<std::string> kHookC = {
    "G5 - Bb5 - D6 - C6 Bb5", "A5 - Bb5 - F5 - D5 -", "C5 - F5 - A5 - C6 -", "Bb5 - A5 - G5 - E5 -"};
const std::vector<std::string> kHookD = {
    "D6 - C6 - A5 - F5 -", "F5 - G5 - A5 - Bb5 A5", "G5 - Bb5 - D6 - Bb5 -", "A5 - - - C#6 - E6 -"};
// Intro A, two bars per chord (Dm Dm Bb Bb F F C C).
const std::vector<std::string> kIntroBells = {
    ". . . . . . . .", ". . . . A4 - D5 -", "F5 - - - D5 - - -", "C5 - - - Bb4 - A4 -",
    "A4 - - - C5 - - -", "F5 - - - E5 - D5 -", "E5 - - - - - - -", "G4 - - - C5 - E5 -"};
// Intro B, over Dm Bb F C Dm Bb Gm A.
const std::vector<std::string> kCounterMelody = {
    "D5 - - - F5 - - -", "G5 - - - F5 - D5 -", "C5 - - - F5 - - -", "E5 - - - - - - -",
    "D5 - - - A5 - - -", "G5 - F5 - D5 - - -", "Bb4 - - - D5 - G5 -", "A5 - - - C#5 - E5 -"};

}  // namespace showgen
