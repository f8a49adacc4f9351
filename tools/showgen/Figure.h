#pragma once
// The performer: a jointed human figure about 1.7 units tall, facing -z, +x on its right,
// posed by a handful of angles per limb.
#include "tools/showgen/Geometry.h"

#include <array>

namespace showgen {

// Arm direction as elevation (-pi/2 hanging, 0 level, pi/2 up) and azimuth (0 out to the
// side, pi/2 forward), a twist about the upper arm and the elbow's bend.
struct ArmPose {
    double elevation = -1.40, azimuth = 0.25, twist = 0.0, elbow = 0.25, wrist = 0.1;
};
// Leg: lift forward at the hip, spread sideways, twist, knee bend (positive folds the shin
// back), ankle (positive points the toes).
struct LegPose {
    double lift = 0.0, spread = 0.04, twist = 0.0, knee = 0.06, ankle = 0.0;
};

struct Pose {
    double rootX = 0, rootZ = 0, jump = 0, yaw = 0, hipRoll = 0;
    double spineBend = 0.04, spineSide = 0, spineTwist = 0;  // bend > 0 leans forward
    double headNod = 0, headTilt = 0, headTurn = 0;
    ArmPose arm[2];  // 0 right, 1 left
    LegPose leg[2];
};

// Linear blend; the turn takes the short way round.
Pose blend(const Pose& a, const Pose& b, double w);

enum Joint {
    Pelvis, SpineLow, Chest, Neck, Head,
    ShoulderR, ElbowR, WristR, ShoulderL, ElbowL, WristL,
    HipR, KneeR, AnkleR, HipL, KneeL, AnkleL,
    Hair0, Hair1, Hair2, Hair3,  // a ponytail, segment by segment
    JointCount
};

using Skeleton = std::array<Frame, JointCount>;

// Joint frames of a pose, pelvis at its standing height (the caller grounds the feet);
// the ponytail hangs at rest.
Skeleton poseSkeleton(const Pose& pose);

constexpr double kHairSegment = 0.065;
// Where the ponytail is tied, in the head's frame.
const Vec3 kHairAnchor{0, 0.13, 0.085};
// Lets the ponytail trail behind the head's motion (its velocity in units per frame), each
// segment further than the one before.
void swingHair(Skeleton& skeleton, const Vec3& headVelocity);

// The rotation taking (0, -1, 0) to `dir` about the axis perpendicular to both.
Mat3 swingFromDown(const Vec3& dir);

}  // namespace showgen
