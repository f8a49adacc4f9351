#pragma once
// The show's easing curves, evaluated in double precision.
#include <algorithm>
#include <cmath>

constexpr double kEasingPi = 3.1415926535;

// Rises from 0 at x <= 0 to 1 at x >= 1 along half a cosine.
inline double easeIn(double x)
{
    return (1.0 - std::cos(kEasingPi * std::clamp(x, 0.0, 1.0))) / 2.0;
}

// Falls from 1 at x <= 0 to 0 at x >= 1; the mirror of easeIn.
inline double easeOut(double x)
{
    return (1.0 + std::cos(kEasingPi * std::clamp(x, 0.0, 1.0))) / 2.0;
}
