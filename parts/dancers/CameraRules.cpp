#include "parts/dancers/CameraRules.h"

#include "parts/dancers/ShowTimes.h"

#include <cmath>

namespace {

void set(double (&v)[3], double x, double y, double z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

LookAt fixed(int rule, double ex, double ey, double ez, double cx, double cy, double cz)
{
    LookAt look;
    look.rule = rule;
    set(look.eye, ex, ey, ez);
    set(look.centre, cx, cy, cz);
    return look;
}

// Circles the y axis: eye (r sin a, h, r cos a), centre (0, c, 0), up (u, 1, 0).
LookAt orbit(int rule, double a, double r, double h, double c, double u)
{
    LookAt look = fixed(rule, r * std::sin(a), h, r * std::cos(a), 0, c, 0);
    set(look.up, u, 1, 0);
    return look;
}

LookAt cutShot(int shot, float t)
{
    LookAt look;
    switch (shot) {
    case 0: {
        const double a = 0.5 * t;
        look = fixed(6, 0.8 * std::sin(a), 0.2, 0.8 * std::cos(a), 0, 0.2, 0);
        break;
    }
    case 1: {
        const double a = 1.1 * t;
        look = fixed(6, 0.4 * std::sin(a), 0.2, 0.4 * std::cos(a), 0, 0.2, 0);
        set(look.up, 0.7, 1, 0);
        break;
    }
    case 2: look = fixed(6, 1, 1, 0, 0, 0.2, 0); break;
    case 3: {
        const double a = -0.8 * t;
        look = fixed(6, 0.8 * std::sin(a), 0.6, 0.8 * std::cos(a), 0, 0.3, 0);
        set(look.up, 0, 1, 0.2);
        break;
    }
    default: look = fixed(6, 1, 0.5, 0, 0, 0.5, 0); break;
    }
    look.shot = shot;
    return look;
}

}  // namespace

int cutShotAt(float t, float k0)
{
    const float shifted = t + 0.59f;
    const float beats = k0 > 0 ? shifted * 8.0f * 57.0f / 60.0f : shifted * 57.0f / 60.0f;
    const auto count = static_cast<long long>(beats);
    return static_cast<int>(((count % 5) + 5) % 5);
}

LookAt cameraFor(float t, float k0, float closeupStart, float closeupEnd)
{
    using namespace show_times;
    LookAt look;
    if (t < kIntroEnd) look = orbit(1, 0.5 * t, 0.6, 0.2, 0.2, 0.2);
    if (t >= kIntroEnd) look = fixed(2, 0, 0.005, 1.2, 0, 0.005, 0);
    if (t >= kFrontEnd) look = orbit(3, 0.1 * t - 1.0, 1.7, 0.497, 0.202, 0.5);
    if (t >= kOrbitEnd) look = fixed(4, 0, 0.355, (t - 50.0) * 0.102, 0, 0.355, 0);
    if (t > kShotsEnd) look = fixed(5, 0, 0.355, (t - 135.0) * 0.102, 0, 0.355, 0);
    if (t > kDollyEnd && t < kShotsEnd) look = cutShot(cutShotAt(t, k0), t);
    if (t > closeupStart && t < closeupEnd)
        look = fixed(7, -0.2, 0.2, (t - closeupStart) * 0.05 + 0.5, -0.2, 0.2, 0);
    return look;
}
