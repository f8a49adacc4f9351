#include "tools/showgen/Figure.h"

namespace showgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPelvisHeight = 0.95;

double lerp(double a, double b, double w) { return a + (b - a) * w; }

ArmPose blendArm(const ArmPose& a, const ArmPose& b, double w) {
    return {lerp(a.elevation, b.elevation, w), lerp(a.azimuth, b.azimuth, w), lerp(a.twist, b.twist, w),
            lerp(a.elbow, b.elbow, w), lerp(a.wrist, b.wrist, w)};
}
LegPose blendLeg(const LegPose& a, const LegPose& b, double w) {
    return {lerp(a.lift, b.lift, w), lerp(a.spread, b.spread, w), lerp(a.twist, b.twist, w),
            lerp(a.knee, b.knee, w), lerp(a.ankle, b.ankle, w)};
}

// Child frame: placed at `offset` in the parent's frame, turned by `local`.
Frame child(const Frame& parent, const Vec3& offset, const Mat3& local) {
    return {parent.rotation * local, parent.apply(offset)};
}

}  // namespace

Mat3 swingFromDown(const Vec3& dir) {
    const Vec3 down{0, -1, 0};
    const Vec3 d = dir.normalized();
    Vec3 axis = down.cross(d);
    const double s = axis.length(), c = down.dot(d);
    if (s < 1e-9) return c > 0 ? Mat3{} : rotX(kPi);  // straight up: over the front
    axis = axis * (1.0 / s);
    // Rodrigues' formula.
    const double t = 1 - c;
    Mat3 r;
    r.m[0][0] = c + axis.x * axis.x * t;
    r.m[0][1] = axis.x * axis.y * t - axis.z * s;
    r.m[0][2] = axis.x * axis.z * t + axis.y * s;
    r.m[1][0] = axis.y * axis.x * t + axis.z * s;
    r.m[1][1] = c + axis.y * axis.y * t;
    r.m[1][2] = axis.y * axis.z * t - axis.x * s;
    r.m[2][0] = axis.z * axis.x * t - axis.y * s;
    r.m[2][1] = axis.z * axis.y * t + axis.x * s;
    r.m[2][2] = c + axis.z * axis.z * t;
    return r;
}

Pose blend(const Pose& a, const Pose& b, double w) {
    Pose p;
    p.rootX = lerp(a.rootX, b.rootX, w);
    p.rootZ = lerp(a.rootZ, b.rootZ, w);
    p.jump = lerp(a.jump, b.jump, w);
    double target = b.yaw;
    while (target - a.yaw > kPi) target -= 2 * kPi;
    while (target - a.yaw < -kPi) target += 2 * kPi;
    p.yaw = lerp(a.yaw, target, w);
    p.hipRoll = lerp(a.hipRoll, b.hipRoll, w);
    p.spineBend = lerp(a.spineBend, b.spineBend, w);
    p.spineSide = lerp(a.spineSide, b.spineSide, w);
    p.spineTwist = lerp(a.spineTwist, b.spineTwist, w);
    p.headNod = lerp(a.headNod, b.headNod, w);
    p.headTilt = lerp(a.headTilt, b.headTilt, w);
    p.headTurn = lerp(a.headTurn, b.headTurn, w);
    for (int s = 0; s < 2; ++s) {
        p.arm[s] = blendArm(a.arm[s], b.arm[s], w);
        p.leg[s] = blendLeg(a.leg[s], b.leg[s], w);
    }
    return p;
}

Skeleton poseSkeleton(const Pose& pose) {
    Skeleton k;
    k[Pelvis] = {rotY(pose.yaw) * rotZ(pose.hipRoll), {pose.rootX, kPelvisHeight, pose.rootZ}};
    // The spine bends in two equal steps; up-pointing bones lean forward (-z) about -x.
    const Mat3 spineStep = rotY(pose.spineTwist * 0.5) * rotX(-pose.spineBend * 0.5) * rotZ(-pose.spineSide * 0.5);
    k[SpineLow] = child(k[Pelvis], {0, 0.10, 0}, spineStep);
    k[Chest] = child(k[SpineLow], {0, 0.15, 0}, spineStep);
    const Mat3 headStep = rotY(pose.headTurn * 0.5) * rotX(-pose.headNod * 0.5) * rotZ(-pose.headTilt * 0.5);
    k[Neck] = child(k[Chest], {0, 0.24, 0}, headStep);
    k[Head] = child(k[Neck], {0, 0.08, 0}, headStep);

    for (int s = 0; s < 2; ++s) {
        const double side = s == 0 ? 1.0 : -1.0;
        const ArmPose& a = pose.arm[s];
        // The shortest swing from hanging to the arm's direction keeps the elbow's hinge natural:
        // the forearm folds forward from a hanging arm, upward from an arm held out in front.
        const Vec3 dir{side * std::cos(a.elevation) * std::cos(a.azimuth), std::sin(a.elevation),
                       -std::cos(a.elevation) * std::sin(a.azimuth)};
        const Mat3 shoulder = swingFromDown(dir) * rotY(side * a.twist);
        const Joint sh = s == 0 ? ShoulderR : ShoulderL, el = s == 0 ? ElbowR : ElbowL, wr = s == 0 ? WristR : WristL;
        k[sh] = child(k[Chest], {side * 0.175, 0.19, 0}, shoulder);
        k[el] = child(k[sh], {0, -0.28, 0}, rotX(a.elbow));
        k[wr] = child(k[el], {0, -0.25, 0}, rotX(a.wrist));

        const LegPose& l = pose.leg[s];
        const Joint hp = s == 0 ? HipR : HipL, kn = s == 0 ? KneeR : KneeL, an = s == 0 ? AnkleR : AnkleL;
        k[hp] = child(k[Pelvis], {side * 0.09, -0.05, 0}, rotX(l.lift) * rotZ(side * l.spread) * rotY(side * l.twist));
        k[kn] = child(k[hp], {0, -0.42, 0}, rotX(-l.knee));
        k[an] = child(k[kn], {0, -0.40, 0}, rotX(-l.ankle));
    }
    swingHair(k, {0, 0, 0});
    return k;
}

void swingHair(Skeleton& k, const Vec3& headVelocity) {
    const Vec3 back = k[Head].rotation * Vec3{0, 0, 1};
    Vec3 origin = k[Head].apply(kHairAnchor);
    for (int i = 0; i < 4; ++i) {
        // Gravity, a little spring away from the neck, and the drag of the motion.
        const Vec3 dir = (Vec3{0, -1, 0} + back * 0.45 - headVelocity * (10.0 + 6.0 * i)).normalized();
        k[Hair0 + i] = {swingFromDown(dir), origin};
        origin = origin + dir * kHairSegment;
    }
}

}  // namespace showgen
