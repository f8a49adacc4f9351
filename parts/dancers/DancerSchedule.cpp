#include "parts/dancers/DancerSchedule.h"

#include "parts/dancers/Easing.h"
#include "parts/dancers/ShowTimes.h"

#include <cmath>

namespace {

constexpr float kFaceBack = -168.66f;  // the recordings face away from the camera

void add(DancerCalls& out, int slot, double keep, float rate, float start, float x, float y, float z, float angle)
{
    if (out.count >= DancerCalls::kCapacity) return;
    DancerCall& call = out.calls[out.count++];
    call.slot = slot;
    call.keep = static_cast<float>(keep);
    call.rate = rate;
    call.start = start;
    call.place[0] = x;
    call.place[1] = y;
    call.place[2] = z;
    call.angle = angle;
}

}  // namespace

DancerCalls dancersAt(float t, float closeupStart, float closeupEnd)
{
    using namespace show_times;
    DancerCalls out;
    const bool closeup = t > closeupStart && t < closeupEnd;

    // Two copies of the second recording fade in and slide toward each other.
    if (t >= kIntroEnd && t < kFrontEnd) {
        const double keep = easeIn((t - 17.0) * 0.05) * 0.5;
        const auto g = static_cast<float>(0.071 * easeIn((t - 17.0) * 0.1));
        add(out, 1, keep, 9.3f, -100.0f, g - 0.333f, 0, 0, 218.16f);
        add(out, 1, keep, 9.3f, -100.0f, 0.333f - g, 0, 0, 0.0f);
    }
    if (t < kFrontEnd) add(out, 0, easeIn(t * 0.1) * 0.8, 4.0f, 33.28f, 0.1f, 0, 0.024f, kFaceBack);
    if (t > kFrontEnd && t < kOrbitEnd) {
        add(out, 2, easeIn(t * 0.1) * 0.8, 4.0f, -66.72f, 0, 0, -0.57f, kFaceBack);
        add(out, 2, (easeIn(t - 36.5) - easeIn(t - 47.76)) * 0.8, 4.0f, -66.72f, 0, 0, 0.57f, kFaceBack);
    }
    if (t > kOrbitEnd && t < kDollyEnd) add(out, 2, easeIn(t * 0.1) * 0.8, 8.0f, -66.72f, 0, 0, -0.57f, kFaceBack);
    if (t > kShotsEnd) add(out, 2, (1.0 - easeIn((t - 140.0) * 0.13)) * 0.3, 8.0f, -66.72f, 0, 0, -0.57f, 63.72f);
    if (t > kDollyEnd && t < kShotsEnd && closeup) add(out, 1, 1.0, 20.0f, 0.0f, 0, 0, 0, kFaceBack);
    if (t > kDollyEnd && t < kRingLayout && !closeup) {
        const float angle = 30.0f * t + kFaceBack;
        add(out, 1, 0.4, 17.0f, -66.72f, 0.25f, 0, 0, angle);
        add(out, 1, 0.4, 19.0f, 23.28f, -0.25f, 0, 0, angle);
        add(out, 1, 0.4, 18.0f, 13.28f, 0, 0, 0.25f, angle);
    }
    if (t > kRingLayout && t < kShotsEnd && !closeup) {
        const float angle = 50.0f * t + kFaceBack;
        for (int k = 0; k < 5; ++k) {
            const double a = 6.28318 * k / 5.0;
            add(out, 1, 0.5, 17.0f, -66.72f + 10.0f * static_cast<float>(k), static_cast<float>(0.5 * std::sin(a)), 0,
                static_cast<float>(0.5 * std::cos(a)), angle);
        }
    }
    return out;
}

FrameChoice chooseFrame(float rate, float start, float t, size_t frameCount)
{
    FrameChoice choice;
    const float position = std::fmax(1.0f, rate) * t + start;
    // Nothing to show: no frames, a position before the recording's start, or
    // one too large to count frames in.
    if (frameCount == 0 || !(position >= 0.0f) || position >= 1.8e19f) return choice;
    const auto whole = static_cast<unsigned long long>(position);
    choice.valid = true;
    choice.index = static_cast<size_t>(whole % frameCount);
    choice.f = std::fmod(position, 1.0f);
    return choice;
}

float pullWeight(float t)
{
    using namespace show_times;
    double w = 0;
    if (t <= kFrontEnd)
        w = easeIn((t - 7.0) * 0.05) * easeIn((t - 23.0) * 0.03);
    else
        w = easeOut((t - 33.8) * 0.2) + easeIn((t - 44.8) * 0.1);
    if (t > kOrbitEnd) w = (easeOut((t - 50.5) * 0.2) + easeIn((t - 64.0) * 0.5)) * 20000.0;
    return static_cast<float>(w);
}
