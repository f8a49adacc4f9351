#include "parts/dancers/DancerVertices.h"

#include "parts/dancers/DancerSchedule.h"
#include "parts/dancers/ShowTimes.h"
#include "parts/dancers/WindowsRand.h"

#include <cmath>

namespace {

Point3 add(const Point3& a, const Point3& b, float s)
{
    return {a[0] + b[0] * s, a[1] + b[1] * s, a[2] + b[2] * s};
}

Point3 minus(const Point3& a, const Point3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// A random target far around the dancer (model space, +-20 across, 0..20 up).
Point3 randomTarget(WindowsRand& random, const DancerPlacement& placement)
{
    const float r1 = random.unit();
    const float r2 = random.unit();
    const float r3 = random.unit();
    return placement.apply((r3 * 4.0f - 2.0f) * 10.0f, r2 * 2.0f * 10.0f, (r1 * 4.0f - 2.0f) * 10.0f);
}

DancerVertex vertex(const Point3& at, float red, const float normal[3])
{
    return {{at[0], at[1], at[2]}, {red, 0.0f, 0.0f}, {normal[0], normal[1], normal[2]}};
}

}  // namespace

DancerPlacement::DancerPlacement(const float where[3], float angleDegrees, float s) : scale(s)
{
    for (int i = 0; i < 3; ++i) place[i] = where[i];
    const double radians = double{angleDegrees} * 3.14159265358979323846 / 180.0;
    cosAngle = static_cast<float>(std::cos(radians));
    sinAngle = static_cast<float>(std::sin(radians));
}

Point3 DancerPlacement::apply(float x, float y, float z) const
{
    x *= scale;
    y *= scale;
    z *= scale;
    return {cosAngle * x + sinAngle * z + place[0], y + place[1], -sinAngle * x + cosAngle * z + place[2]};
}

void buildDancerVertices(const DanceFrame& frame, const DancerPose& pose, const std::vector<Point3>& previous,
                         DancerVertexLists& out, std::vector<Point3>& world)
{
    using namespace show_times;
    out.clear();
    world.clear();
    WindowsRand random(kDancerSeed);

    const float t = pose.t;
    const DancerPlacement& m = pose.placement;
    const float w = pullWeight(t);
    const float back = 1.0f - pose.f;
    const float throwAlong = 20.0f * (pose.fftBeat + 0.15f);
    const float beatPull = std::fmax(0.0f, pose.fftBeat * 0.75f);

    const size_t count = frame.points.size();
    for (size_t i = 0; i < count; ++i) {
        const DancePoint& point = frame.points[i];
        if (!(random.unit() <= pose.keep)) continue;

        const float* pos = point.position;
        const float* off = point.offset;
        const Point3 p = m.apply(pos[0] + off[0] * back, pos[1] + off[1] * back, pos[2] + off[2] * back);
        Point3 q = p;
        const float normal[3] = {off[0] + 0.5f, off[1] + 0.5f, off[2] + 0.5f};
        const float brightness = static_cast<float>((point.colour >> 8) & 0xFFu) / 256.0f + 0.2f;
        world.push_back(p);

        // Before the pulse: points scatter toward far random places, the
        // higher up the body the more.
        if (t < kDollyEnd && i % 4 == 0) {
            const Point3 g = randomTarget(random, m);
            const float e = t < kOrbitEnd ? std::fmax(0.0f, w * 0.2f * p[1] * p[1])
                                          : std::fmax(0.0f, std::pow(1.5f * p[1], 20.0f) * w * 0.2f);
            q = add(p, minus(g, p), e);
        }
        // With the pulse: a few points fly out on the beat ...
        if (t > kDollyEnd && i % 84 == 0) {
            const Point3 g = randomTarget(random, m);
            q = add(p, minus(g, p), beatPull);
        }
        // ... some are thrown along their motion, further the louder it is ...
        if (t > kDollyEnd && i % 60 == 0) {
            const Point3 u = m.apply(pos[0] - off[0], pos[1] - off[1], pos[2] - off[2]);
            q = add(p, minus(u, p), -throwAlong);
        }
        // ... and some jump onto the dancer drawn before.
        if (t > kDollyEnd && !previous.empty() && i % 134 == 0) {
            const auto k = static_cast<size_t>(random.next());
            // With a single point there is nothing to choose from but that one.
            q = previous.size() == 1 ? previous[0] : previous[k % (previous.size() - 1)];
        }

        out.body.push_back(vertex(p, brightness, normal));
        out.displaced.push_back(q);
        const Point3 d = minus(q, p);
        if (std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) >= kThrownDistance)
            out.thrown.push_back(vertex(q, 1.0f, normal));
    }

    // Lines back to their place for all but the last 20 kept points; both ends
    // in the point's own brightness.
    if (out.body.size() > kUntiedPoints) {
        const size_t tied = out.body.size() - kUntiedPoints;
        for (size_t i = 0; i < tied; ++i) {
            const DancerVertex& from = out.body[i];
            out.lines.push_back(from);
            out.lines.push_back(vertex(out.displaced[i], from.colour[0], from.normal));
        }
    }
}
