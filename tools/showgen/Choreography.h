#pragma once
// Dance moves as poses over time (in beats), and the three routines built from them.
#include "tools/showgen/Figure.h"

#include <string>
#include <vector>

namespace showgen {

enum class Move {
    Sway, ArmWaves, ReachUp, Groove, StepTouch, Punch, Spin, Kicks, Jumps, BodyRoll, RunningMan, HipCircle, Strikes
};

// The pose of a move `beats` after it began; every move repeats within a whole number of beats.
Pose movePose(Move move, double beats);

struct Routine {
    std::string folder;   // "006", "009", "011"
    int framesPerBeat = 15;  // about 28 captured frames a second at 112 beats a minute
    struct Step {
        Move move;
        int beats;
    };
    std::vector<Step> steps;
    uint64_t seed = 1;
    int frameCount() const;
};

// The three recordings of the show: 009 flows (the intro), 011 drives (the drop), 006 grooves.
std::vector<Routine> showRoutines();

// The routine's pose at a frame. The routine loops: the last step blends into the first.
Pose routinePose(const Routine& routine, double frame);

}  // namespace showgen
