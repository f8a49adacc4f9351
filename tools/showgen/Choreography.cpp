#include "tools/showgen/Choreography.h"

#include <algorithm>
#include <cmath>

namespace showgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTau = 2 * kPi;

double wave(double beats, double period, double offset = 0) { return std::sin(kTau * (beats / period + offset)); }
// 1 on the beat, 0 half way between: the bounce of the knees.
double onBeat(double beats) {
    const double c = 0.5 + 0.5 * std::cos(kTau * beats);
    return c * c;
}
double smooth(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}
// Sharp move then hold: reaches its target in the first `attack` of the beat.
double hit(double frac, double attack = 0.35) { return smooth(frac / attack); }
double frac(double x) { return x - std::floor(x); }
int beatIndex(double beats) { return static_cast<int>(std::floor(beats)); }

ArmPose blend1(const ArmPose& a, const ArmPose& b, double w) {
    Pose pa, pb;
    pa.arm[0] = a;
    pb.arm[0] = b;
    return blend(pa, pb, w).arm[0];
}

// Knees give on every beat; the figure sinks as they bend.
void bounce(Pose& p, double beats, double depth) {
    const double b = onBeat(beats) * depth;
    for (auto& l : p.leg) {
        l.knee += b * 0.9;
        l.lift += b * 0.45;
        l.ankle -= b * 0.35;
    }
    p.spineBend += b * 0.15;
    p.headNod += b * 0.25;
}

Pose sway(double t) {
    Pose p;
    const double s = wave(t, 2);
    p.rootX = 0.05 * s;
    p.hipRoll = 0.07 * s;
    p.spineSide = -0.1 * s;
    p.headTilt = 0.12 * s;
    p.leg[0].knee = 0.1 + 0.2 * std::max(0.0, -s);
    p.leg[1].knee = 0.1 + 0.2 * std::max(0.0, s);
    for (int a = 0; a < 2; ++a) {
        const double sideSwing = a == 0 ? s : -s;
        p.arm[a].elevation = -1.2 + 0.25 * sideSwing;
        p.arm[a].azimuth = 0.5 + 0.3 * wave(t, 2, 0.25);
        p.arm[a].elbow = 0.6 + 0.3 * wave(t, 2, a * 0.5);
        p.arm[a].wrist = 0.3 * wave(t, 1, a * 0.5);
    }
    p.spineTwist = 0.15 * wave(t, 4);
    return p;
}

// Flowing waves through both arms, shoulder leading elbow leading wrist; the body rises and
// sinks with them and the head follows the leading hand.
Pose armWaves(double t) {
    Pose p = sway(t);
    for (int a = 0; a < 2; ++a) {
        const double ph = a * 0.3;
        const double lift = wave(t, 4, ph);
        p.arm[a].elevation = -0.35 + 0.95 * lift;
        p.arm[a].azimuth = 0.45 + 0.45 * wave(t, 4, ph + 0.25);
        p.arm[a].twist = 0.5 * wave(t, 2, ph);
        p.arm[a].elbow = 0.6 + 0.5 * wave(t, 2, ph - 0.15);
        p.arm[a].wrist = 0.7 * wave(t, 2, ph - 0.3);
    }
    const double rise = wave(t, 4, 0.15);
    for (auto& l : p.leg) {
        l.knee = 0.3 - 0.25 * rise;
        l.lift = 0.12 - 0.1 * rise;
        l.ankle = 0.2 * std::max(0.0, rise);
    }
    p.spineSide = 0.2 * wave(t, 4);
    p.spineBend = 0.05 - 0.12 * rise;
    p.headTilt = -0.2 * wave(t, 4);
    p.headNod = -0.25 * rise;
    p.headTurn = 0.35 * wave(t, 4, 0.25);
    p.rootX = 0.07 * wave(t, 4);
    return p;
}

// One arm reaches up and across while the body stretches toward it; sides alternate every two beats.
Pose reachUp(double t) {
    Pose p;
    const double s = wave(t, 4);  // > 0: right arm up
    const double r = std::max(0.0, s), l = std::max(0.0, -s);
    p.arm[0].elevation = -1.3 + 2.7 * r;
    p.arm[0].azimuth = 0.3 + 0.6 * r;
    p.arm[0].elbow = 0.5 - 0.35 * r;
    p.arm[1].elevation = -1.3 + 2.7 * l;
    p.arm[1].azimuth = 0.3 + 0.6 * l;
    p.arm[1].elbow = 0.5 - 0.35 * l;
    for (int a = 0; a < 2; ++a) p.arm[a].wrist = 0.4 * wave(t, 2, a * 0.5);
    p.spineSide = -0.25 * s;  // lean away, lengthening the reaching side
    p.spineBend = -0.08 * std::fabs(s);
    p.headNod = -0.35 * std::fabs(s);
    p.headTurn = 0.3 * s;
    p.rootX = 0.06 * s;
    p.hipRoll = 0.05 * s;
    p.leg[0].ankle = 0.45 * l;  // rise onto the toes of the far foot
    p.leg[1].ankle = 0.45 * r;
    p.leg[0].knee = 0.1 + 0.25 * l;
    p.leg[1].knee = 0.1 + 0.25 * r;
    return p;
}

// Bouncing on every beat, rocking from foot to foot, fists pumping in turn.
Pose groove(double t) {
    Pose p;
    bounce(p, t, 0.7);
    const double s = wave(t, 2);
    p.rootX = 0.07 * s;
    p.hipRoll = 0.08 * s;
    p.spineTwist = 0.25 * s;
    p.spineSide = -0.08 * s;
    p.leg[0].spread = p.leg[1].spread = 0.1;
    p.leg[0].knee += 0.2 * std::max(0.0, -s);
    p.leg[1].knee += 0.2 * std::max(0.0, s);
    for (int a = 0; a < 2; ++a) {
        const double pump = wave(t, 1, a * 0.5);
        p.arm[a].elevation = -0.75 + 0.45 * pump;
        p.arm[a].azimuth = 1.1 + 0.2 * pump;
        p.arm[a].elbow = 1.7 - 0.5 * pump;
        p.arm[a].wrist = 0.3;
    }
    p.headTurn = 0.2 * wave(t, 4);
    return p;
}

// Step out to the side on the beat, bring the other foot in, clap in front.
Pose stepTouch(double t) {
    Pose p;
    const int b = beatIndex(t);
    const double f = frac(t);
    const double dir = (b % 2 == 0) ? 1.0 : -1.0;
    const double travel = dir * (2 * hit(f, 0.5) - 1);  // from one side to the other each beat
    p.rootX = 0.14 * travel;
    const int freeLeg = dir > 0 ? 1 : 0;
    const double lift = std::sin(kPi * std::clamp(f / 0.6, 0.0, 1.0));
    p.leg[freeLeg].lift = 0.35 * lift;
    p.leg[freeLeg].knee = 0.2 + 0.7 * lift;
    p.leg[freeLeg].ankle = 0.4 * lift;
    p.leg[0].spread = p.leg[1].spread = 0.1;
    bounce(p, t, 0.25);
    p.hipRoll = -0.08 * travel;
    p.spineSide = 0.1 * travel;
    const double clap = 1.0 - std::fabs(2 * f - 1);  // apart at the beat, together half way
    for (int a = 0; a < 2; ++a) {
        p.arm[a].elevation = -0.6 + 0.5 * clap;
        p.arm[a].azimuth = 0.8 + 0.75 * clap;
        p.arm[a].elbow = 1.2 - 0.5 * clap;
        p.arm[a].twist = -0.6;
    }
    p.headTilt = 0.15 * travel;
    return p;
}

// Fists driven upward on alternate beats from a boxer's guard, back in guard by the next beat.
Pose punch(double t) {
    Pose p;
    const int b = beatIndex(t);
    const double f = frac(t);
    const int up = b % 2;
    const double strike = hit(f, 0.3) * (1 - smooth((f - 0.45) / 0.55));
    bounce(p, t, 0.4);
    const ArmPose guard{-0.9, 1.05, -0.3, 1.9, 0.2}, punched{1.45, 0.65, -0.3, 0.15, 0.0};
    for (int a = 0; a < 2; ++a) p.arm[a] = a == up ? blend1(guard, punched, strike) : guard;
    p.spineTwist = (up == 0 ? -0.3 : 0.3) * strike;
    p.spineSide = (up == 0 ? 0.12 : -0.12) * strike;
    p.headNod = -0.25 * strike;
    p.leg[0].spread = p.leg[1].spread = 0.14;
    return p;
}

// A full turn over four beats, arms opening out as it goes.
Pose spin(double t) {
    Pose p;
    const double u = frac(t / 4);
    p.yaw = kTau * (u - std::sin(kTau * u) / kTau);  // eases in and out of the turn
    const double open = std::sin(kPi * u);
    for (int a = 0; a < 2; ++a) {
        p.arm[a].elevation = -1.1 + 1.3 * open;
        p.arm[a].azimuth = 0.5 - 0.4 * open;
        p.arm[a].elbow = 0.7 - 0.5 * open;
        p.arm[a].wrist = 0.3 * open;
    }
    p.leg[0].ankle = p.leg[1].ankle = 0.5 * open;
    p.leg[1].lift = 0.3 * open;
    p.leg[1].knee = 0.1 + 0.8 * open;
    p.headNod = -0.25 * open;
    p.spineBend = -0.1 * open;
    return p;
}

// Alternating front kicks on the offbeat, arms swinging against the legs.
Pose kicks(double t) {
    Pose p;
    const int b = beatIndex(t);
    const double f = frac(t);
    const int kicker = b % 2;
    const double chamber = std::sin(kPi * std::clamp((f - 0.1) / 0.55, 0.0, 1.0));
    const double extend = std::sin(kPi * std::clamp((f - 0.25) / 0.35, 0.0, 1.0));
    p.leg[kicker].lift = 1.15 * chamber;
    p.leg[kicker].knee = 1.3 * chamber - 1.2 * extend;
    p.leg[kicker].ankle = 0.6 * extend;
    p.leg[1 - kicker].knee = 0.25 * chamber;
    p.leg[1 - kicker].lift = 0.1 * chamber;
    p.spineBend = -0.15 * chamber;
    for (int a = 0; a < 2; ++a) {
        const double swing = (a == kicker ? -1.0 : 1.0) * chamber;
        p.arm[a].elevation = -0.8 + 0.5 * swing;
        p.arm[a].azimuth = 0.5 + 0.8 * swing;
        p.arm[a].elbow = 1.0;
    }
    bounce(p, t + 0.5, 0.2);
    return p;
}

// Star jumps: off the floor with arms and legs out, landing with bent knees.
Pose jumps(double t) {
    Pose p;
    const double f = frac(t / 2);
    const double air = std::max(0.0, std::sin(kPi * std::clamp((f - 0.15) / 0.6, 0.0, 1.0)));
    p.jump = 0.14 * air;
    const double land = 1.0 - air;
    for (int a = 0; a < 2; ++a) {
        p.arm[a].elevation = -1.25 + 2.6 * air;
        p.arm[a].azimuth = 0.1;
        p.arm[a].elbow = 0.2;
        p.arm[a].wrist = -0.2 * air;
        p.leg[a].spread = 0.05 + 0.25 * air;
        p.leg[a].ankle = 0.7 * air;
        p.leg[a].knee = 0.1 + 0.5 * land * land * (1 - air);
        p.leg[a].lift = 0.05 + 0.25 * land * land * (1 - air);
    }
    p.headNod = -0.2 * air;
    p.spineBend = 0.15 * land * land;
    return p;
}

// A wave running up the body: knees, then hips, chest and head.
Pose bodyRoll(double t) {
    Pose p;
    const double k = wave(t, 2, 0.0), h = wave(t, 2, -0.12), c = wave(t, 2, -0.25), n = wave(t, 2, -0.38);
    for (auto& l : p.leg) {
        l.knee = 0.35 + 0.3 * k;
        l.lift = 0.15 + 0.15 * k;
        l.ankle = -0.1 * k;
    }
    p.rootZ = 0.05 * h;
    p.spineBend = 0.1 + 0.25 * c;
    p.headNod = 0.3 * n;
    for (int a = 0; a < 2; ++a) {
        p.arm[a].elevation = -0.9 + 0.45 * wave(t, 4, a * 0.5);
        p.arm[a].azimuth = 0.9;
        p.arm[a].elbow = 1.4 + 0.3 * c;
        p.arm[a].wrist = 0.5 * n;
    }
    p.spineTwist = 0.2 * wave(t, 4);
    return p;
}

// The running man: one foot slides back as the other knee drives up, twice a beat pair.
Pose runningMan(double t) {
    Pose p;
    const double s = wave(t, 2);
    for (int side = 0; side < 2; ++side) {
        const double v = side == 0 ? s : -s;
        const double up = std::max(0.0, v);
        p.leg[side].lift = 0.95 * up - 0.35 * std::max(0.0, -v);
        p.leg[side].knee = 0.15 + 1.35 * up + 0.1 * std::max(0.0, -v);
        p.leg[side].ankle = 0.3 * up;
        p.arm[side].elevation = -0.85 + 0.5 * v;
        p.arm[side].azimuth = 1.2;
        p.arm[side].elbow = 1.5 - 0.3 * v;
    }
    bounce(p, t, 0.3);
    p.spineBend += 0.12;
    return p;
}

// Hands on the hips, the pelvis circling.
Pose hipCircle(double t) {
    Pose p;
    const double cx = wave(t, 2), cz = wave(t, 2, 0.25);
    p.rootX = 0.08 * cx;
    p.rootZ = 0.06 * cz;
    p.hipRoll = 0.1 * cx;
    p.spineSide = -0.2 * cx;
    p.spineBend = 0.08 - 0.15 * cz;
    for (int a = 0; a < 2; ++a) {
        p.arm[a].elevation = -0.95;
        p.arm[a].azimuth = -0.35;
        p.arm[a].elbow = 1.9;
        p.arm[a].twist = 0.9;
        p.leg[a].knee = 0.25 + 0.2 * (a == 0 ? std::max(0.0, cx) : std::max(0.0, -cx));
        p.leg[a].spread = 0.12;
    }
    p.headTilt = 0.15 * cx;
    p.headTurn = 0.25 * wave(t, 8);
    return p;
}

// Sharp arm shapes struck on each beat and held: a sequence of eight frames.
Pose strikes(double t) {
    struct Shape {
        double elevR, azimR, elbowR, elevL, azimL, elbowL, twist, side, turn;
    };
    static const Shape shapes[8] = {
        {1.3, 0.2, 0.1, -0.2, 0.0, 0.1, 0.0, -0.15, 0.3},   // one arm high, one level
        {0.0, 0.0, 0.05, 0.0, 0.0, 0.05, 0.0, 0.0, 0.0},     // both level: a T
        {0.2, 1.3, 1.6, -1.0, 0.3, 0.3, 0.35, 0.0, -0.3},   // elbow up in front, other low
        {1.4, 0.6, 0.5, 1.4, 0.6, 0.5, 0.0, 0.0, 0.0},      // a frame above the head
        {-0.2, 0.0, 1.57, -0.2, 0.0, 1.57, 0.0, 0.0, 0.0},  // goalpost
        {0.7, 0.9, 0.1, -1.3, 0.3, 0.2, -0.3, 0.18, 0.4},   // pointing up and out
        {0.0, 1.55, 1.9, 0.0, 1.55, 1.9, 0.0, 0.0, 0.0},    // forearms stacked in front
        {-0.5, 0.1, 0.1, 1.2, 0.3, 0.1, 0.3, 0.15, -0.3},   // the first shape, mirrored
    };
    const int b = beatIndex(t);
    const double w = hit(frac(t), 0.65);
    const Shape& a = shapes[(b + 7) % 8];
    const Shape& c = shapes[b % 8];
    auto mix = [&](double x, double y) { return x + (y - x) * w; };
    Pose p;
    p.arm[0].elevation = mix(a.elevR, c.elevR);
    p.arm[0].azimuth = mix(a.azimR, c.azimR);
    p.arm[0].elbow = mix(a.elbowR, c.elbowR);
    p.arm[1].elevation = mix(a.elevL, c.elevL);
    p.arm[1].azimuth = mix(a.azimL, c.azimL);
    p.arm[1].elbow = mix(a.elbowL, c.elbowL);
    p.arm[0].twist = p.arm[1].twist = -0.3;
    p.spineTwist = mix(a.twist, c.twist);
    p.spineSide = mix(a.side, c.side);
    p.headTurn = mix(a.turn, c.turn);
    p.leg[0].spread = p.leg[1].spread = 0.16;
    bounce(p, t, 0.2);
    return p;
}

}  // namespace

Pose movePose(Move move, double beats) {
    switch (move) {
        case Move::Sway: return sway(beats);
        case Move::ArmWaves: return armWaves(beats);
        case Move::ReachUp: return reachUp(beats);
        case Move::Groove: return groove(beats);
        case Move::StepTouch: return stepTouch(beats);
        case Move::Punch: return punch(beats);
        case Move::Spin: return spin(beats);
        case Move::Kicks: return kicks(beats);
        case Move::Jumps: return jumps(beats);
        case Move::BodyRoll: return bodyRoll(beats);
        case Move::RunningMan: return runningMan(beats);
        case Move::HipCircle: return hipCircle(beats);
        case Move::Strikes: return strikes(beats);
    }
    return Pose{};
}

int Routine::frameCount() const {
    int beats = 0;
    for (const auto& s : steps) beats += s.beats;
    return beats * framesPerBeat;
}

std::vector<Routine> showRoutines() {
    using M = Move;
    return {
        {"006", 15, {{M::HipCircle, 8}, {M::StepTouch, 8}, {M::BodyRoll, 4}, {M::Strikes, 8}, {M::Groove, 4},
                     {M::Spin, 4}, {M::ReachUp, 4}, {M::RunningMan, 4}, {M::Sway, 8}}, 6},
        {"009", 15, {{M::ArmWaves, 8}, {M::ReachUp, 8}, {M::Sway, 4}, {M::BodyRoll, 8}, {M::Spin, 4},
                     {M::ArmWaves, 8}, {M::Strikes, 8}}, 9},
        {"011", 15, {{M::Groove, 4}, {M::Punch, 8}, {M::StepTouch, 4}, {M::Jumps, 4}, {M::Kicks, 4},
                     {M::RunningMan, 4}, {M::Spin, 4}, {M::Strikes, 8}, {M::Jumps, 4}}, 11},
    };
}

namespace {

Pose rawRoutinePose(const Routine& routine, double frame) {
    const double total = routine.frameCount() / static_cast<double>(routine.framesPerBeat);
    double beat = std::fmod(frame / routine.framesPerBeat, total);
    if (beat < 0) beat += total;
    // Find the step, then blend from the previous step (still moving on) over its first beat.
    size_t i = 0;
    double start = 0;
    while (i + 1 < routine.steps.size() && beat >= start + routine.steps[i].beats) start += routine.steps[i++].beats;
    const auto& step = routine.steps[i];
    const auto& prev = routine.steps[(i + routine.steps.size() - 1) % routine.steps.size()];
    const double local = beat - start;
    const Pose current = movePose(step.move, local);
    constexpr double kBlendBeats = 1.0;
    if (local >= kBlendBeats) return current;
    const Pose before = movePose(prev.move, prev.beats + local);
    return blend(before, current, smooth(local / kBlendBeats));
}

}  // namespace

Pose routinePose(const Routine& routine, double frame) {
    // A short Gaussian average over neighbouring frames rounds off the sharpest accents, as
    // muscles would: no joint jumps between captured frames.
    constexpr int kReach = 4;
    constexpr double kSigma = 1.8;
    Pose average = rawRoutinePose(routine, frame - kReach);
    double total = std::exp(-kReach * kReach / (2 * kSigma * kSigma));
    for (int d = -kReach + 1; d <= kReach; ++d) {
        const double w = std::exp(-d * d / (2 * kSigma * kSigma));
        total += w;
        average = blend(average, rawRoutinePose(routine, frame + d), w / total);
    }
    return average;
}

}  // namespace showgen
