#include "tools/showgen/BodySurface.h"

#include "tools/showgen/Random.h"

#include <algorithm>
#include <cmath>

namespace showgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Part {
    Joint joint;
    bool capsule;
    Vec3 a, b;         // capsule: end points; ellipsoid: centre, radii
    double r0 = 0, r1 = 0;  // capsule radii at a and b
    bool foot = false;
    bool hair = false;  // ellipsoid cap kept to the top and back of the head

    double area() const {
        if (capsule) {
            const double len = (b - a).length();
            return kPi * (r0 + r1) * len + 2 * kPi * (r0 * r0 + r1 * r1);
        }
        // Thomsen's approximation of an ellipsoid's surface.
        const double p = 1.6075;
        const double ab = std::pow(b.x * b.y, p), ac = std::pow(b.x * b.z, p), bc = std::pow(b.y * b.z, p);
        const double full = 4 * kPi * std::pow((ab + ac + bc) / 3.0, 1.0 / p);
        return hair ? full * 0.55 : full;
    }
};

std::vector<Part> bodyParts() {
    std::vector<Part> parts = {
        {Pelvis, false, {0, -0.015, 0.008}, {0.158, 0.105, 0.108}},
        {SpineLow, false, {0, 0.075, 0.0}, {0.13, 0.115, 0.09}},
        {Chest, false, {0, 0.1, 0.0}, {0.155, 0.145, 0.105}},
        {Chest, true, {-0.15, 0.175, 0.005}, {0.15, 0.175, 0.005}, 0.058, 0.058},  // shoulder line
        {Neck, true, {0, -0.02, 0.005}, {0, 0.09, 0.005}, 0.052, 0.045},
        {Head, false, {0, 0.075, -0.01}, {0.082, 0.11, 0.098}},
        {Head, false, {0, 0.09, 0.012}, {0.095, 0.118, 0.108}, 0, 0, false, true},
    };
    const double hairRadius[5] = {0.03, 0.026, 0.021, 0.015, 0.006};
    for (int i = 0; i < 4; ++i)
        parts.push_back({static_cast<Joint>(Hair0 + i), true, {0, 0, 0}, {0, -kHairSegment, 0}, hairRadius[i],
                         hairRadius[i + 1]});
    for (int s = 0; s < 2; ++s) {
        const bool r = s == 0;
        parts.push_back({r ? ShoulderR : ShoulderL, true, {0, 0, 0}, {0, -0.28, 0}, 0.052, 0.038});
        parts.push_back({r ? ElbowR : ElbowL, true, {0, 0, 0}, {0, -0.25, 0}, 0.038, 0.028});
        parts.push_back({r ? WristR : WristL, false, {0, -0.075, -0.005}, {0.022, 0.075, 0.042}});
        parts.push_back({r ? HipR : HipL, true, {0, 0, 0}, {0, -0.42, 0}, 0.085, 0.052});
        parts.push_back({r ? KneeR : KneeL, true, {0, 0, 0}, {0, -0.40, 0}, 0.052, 0.036});
        parts.push_back({r ? AnkleR : AnkleL, false, {0, -0.045, -0.065}, {0.045, 0.035, 0.118}, 0, 0, true});
    }
    return parts;
}

Vec3 unitSphere(Random& rnd) {
    const double z = rnd.bipolar();
    const double a = rnd.uniform() * 2 * kPi;
    const double r = std::sqrt(std::max(0.0, 1 - z * z));
    return {r * std::cos(a), r * std::sin(a), z};
}

SurfacePoint sampleEllipsoid(const Part& p, Random& rnd) {
    const Vec3 rad = p.b;
    const double maxArea = std::max({rad.y * rad.z, rad.x * rad.z, rad.x * rad.y});
    for (;;) {
        const Vec3 d = unitSphere(rnd);
        // Hair covers the crown and the back of the head, not the face.
        if (p.hair && (d.y < -0.1 || d.z < -0.35 + 0.5 * std::max(0.0, d.y))) continue;
        // Keep a direction in proportion to the surface it maps to, for an even spread.
        const double element = std::sqrt(std::pow(rad.y * rad.z * d.x, 2) + std::pow(rad.x * rad.z * d.y, 2) +
                                         std::pow(rad.x * rad.y * d.z, 2));
        if (rnd.uniform() * maxArea > element) continue;
        const Vec3 local = p.a + Vec3{rad.x * d.x, rad.y * d.y, rad.z * d.z};
        const Vec3 normal = Vec3{d.x / rad.x, d.y / rad.y, d.z / rad.z}.normalized();
        return {p.joint, local, normal, p.foot};
    }
}

SurfacePoint sampleCapsule(const Part& p, Random& rnd) {
    const Vec3 axis = p.b - p.a;
    const double len = axis.length();
    const Vec3 dir = axis * (1.0 / len);
    // Any two directions across the axis.
    const Vec3 helper = std::fabs(dir.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
    const Vec3 u = dir.cross(helper).normalized();
    const Vec3 v = dir.cross(u);
    const double side = kPi * (p.r0 + p.r1) * len, cap0 = 2 * kPi * p.r0 * p.r0, cap1 = 2 * kPi * p.r1 * p.r1;
    const double pick = rnd.uniform() * (side + cap0 + cap1);
    if (pick < side) {
        // Along the axis in proportion to the local girth.
        double t;
        do t = rnd.uniform();
        while (rnd.uniform() * std::max(p.r0, p.r1) > p.r0 + (p.r1 - p.r0) * t);
        const double a = rnd.uniform() * 2 * kPi;
        const Vec3 n = u * std::cos(a) + v * std::sin(a);
        const double r = p.r0 + (p.r1 - p.r0) * t;
        return {p.joint, p.a + axis * t + n * r, n, p.foot};
    }
    const bool atStart = pick < side + cap0;
    Vec3 d = unitSphere(rnd);
    const Vec3 outward = atStart ? dir * -1.0 : dir;
    if (d.dot(outward) < 0) d = d * -1.0;  // the half facing away from the limb
    const double r = atStart ? p.r0 : p.r1;
    return {p.joint, (atStart ? p.a : p.b) + d * r, d, p.foot};
}

}  // namespace

std::vector<SurfacePoint> sampleBody(int count, uint64_t seed) {
    const auto parts = bodyParts();
    double total = 0;
    for (const auto& p : parts) total += p.area();
    Random rnd(seed);
    std::vector<SurfacePoint> points;
    points.reserve(static_cast<size_t>(count));
    // Largest-remainder split of the count over the parts, by area.
    std::vector<int> quota(parts.size());
    int given = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        quota[i] = static_cast<int>(count * parts[i].area() / total);
        given += quota[i];
    }
    for (size_t i = 0; given < count; i = (i + 1) % parts.size(), ++given) ++quota[i];
    for (size_t i = 0; i < parts.size(); ++i)
        for (int k = 0; k < quota[i]; ++k)
            points.push_back(parts[i].capsule ? sampleCapsule(parts[i], rnd) : sampleEllipsoid(parts[i], rnd));
    // Interleave the parts so that any share of the points (the show keeps a random subset) covers the body.
    for (size_t i = points.size(); i > 1; --i) std::swap(points[i - 1], points[rnd.next() % i]);
    return points;
}

}  // namespace showgen
