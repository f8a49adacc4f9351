// The show's timeline decisions, without GL: camera, dancer schedule, frame
// choice, pull weight, background, and the generator that picks the points.
#include "parts/dancers/Background.h"
#include "parts/dancers/CameraRules.h"
#include "parts/dancers/DancerSchedule.h"
#include "parts/dancers/Easing.h"
#include "parts/dancers/WindowsRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kCloseupStart = 101.5f;
constexpr float kCloseupEnd = 108.5f;

LookAt camera(float t, float k0 = -1.0f)
{
    return cameraFor(t, k0, kCloseupStart, kCloseupEnd);
}

TEST(CameraRules, EachWindowHasItsShot)
{
    const LookAt intro = camera(10.0f);
    EXPECT_EQ(intro.rule, 1);
    EXPECT_NEAR(intro.eye[0], 0.6 * std::sin(5.0), 1e-6);
    EXPECT_NEAR(intro.eye[2], 0.6 * std::cos(5.0), 1e-6);
    EXPECT_DOUBLE_EQ(intro.up[0], 0.2);

    const LookAt front = camera(20.0f);
    EXPECT_EQ(front.rule, 2);
    EXPECT_DOUBLE_EQ(front.eye[2], 1.2);
    EXPECT_DOUBLE_EQ(front.centre[1], 0.005);

    const LookAt orbit = camera(40.0f);
    EXPECT_EQ(orbit.rule, 3);
    EXPECT_NEAR(orbit.eye[0], 1.7 * std::sin(3.0), 1e-6);
    EXPECT_DOUBLE_EQ(orbit.eye[1], 0.497);
    EXPECT_DOUBLE_EQ(orbit.up[0], 0.5);

    const LookAt dolly = camera(60.0f);
    EXPECT_EQ(dolly.rule, 4);
    EXPECT_NEAR(dolly.eye[2], 10.0 * 0.102, 1e-6);

    const LookAt closing = camera(140.0f);
    EXPECT_EQ(closing.rule, 5);
    EXPECT_NEAR(closing.eye[2], 5.0 * 0.102, 1e-6);
}

TEST(CameraRules, BoundariesAndTheCloseUp)
{
    // On the boundaries themselves the earlier window still holds.
    EXPECT_EQ(camera(16.85f).rule, 2);
    EXPECT_EQ(camera(33.8f).rule, 3);
    EXPECT_EQ(camera(67.9f).rule, 4);
    EXPECT_EQ(camera(135.3f).rule, 4);

    // The close-up wins over the cut shots, and only strictly inside its window.
    const LookAt closeup = camera(105.0f);
    EXPECT_EQ(closeup.rule, 7);
    EXPECT_NEAR(closeup.eye[2], 3.5 * 0.05 + 0.5, 1e-5);
    EXPECT_DOUBLE_EQ(closeup.centre[0], -0.2);
    EXPECT_EQ(camera(kCloseupStart).rule, 6);
    EXPECT_EQ(camera(kCloseupEnd).rule, 6);
}

TEST(CameraRules, CutShotsFollowTheBeatAndTheKnob)
{
    // floor(70.59 * 0.95) = 67 -> shot 2; with knob 0 turned up floor(70.59 * 7.6) = 536 -> shot 1.
    EXPECT_EQ(camera(70.0f, -1.0f).shot, 2);
    EXPECT_EQ(camera(70.0f, 0.0f).shot, 2);
    EXPECT_EQ(camera(70.0f, 0.01f).shot, 1);
    EXPECT_EQ(camera(70.0f, 0.01f).up[0], 0.7);

    const LookAt fixedSide = camera(70.0f);
    EXPECT_DOUBLE_EQ(fixedSide.eye[0], 1.0);
    EXPECT_DOUBLE_EQ(fixedSide.eye[1], 1.0);

    // Each shot lasts 60/57 s: the shot right after a cut is the next one.
    const float cut = 68.0f / 0.95f - 0.59f + 0.001f;  // the 68th beat
    EXPECT_EQ(cutShotAt(cut, -1.0f), 3);
    EXPECT_EQ(cutShotAt(cut - 0.01f, -1.0f), 2);
}

std::vector<int> slots(const DancerCalls& calls)
{
    std::vector<int> out;
    for (const DancerCall& c : calls) out.push_back(c.slot);
    return out;
}

DancerCalls dancers(float t)
{
    return dancersAt(t, kCloseupStart, kCloseupEnd);
}

TEST(DancerSchedule, RowsAtTheBoundaries)
{
    EXPECT_EQ(slots(dancers(10.0f)), (std::vector<int>{0}));
    EXPECT_EQ(slots(dancers(16.85f)), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(slots(dancers(33.79f)), (std::vector<int>{1, 1, 0}));
    // Exactly on 33.8, 50.5, 67.9 and 110 nobody dances.
    EXPECT_EQ(dancers(33.8f).count, 0);
    EXPECT_EQ(dancers(50.5f).count, 0);
    EXPECT_EQ(dancers(67.9f).count, 0);
    EXPECT_EQ(dancers(110.0f).count, 0);
    EXPECT_EQ(slots(dancers(40.0f)), (std::vector<int>{2, 2}));
    EXPECT_EQ(slots(dancers(60.0f)), (std::vector<int>{2}));
    EXPECT_EQ(slots(dancers(80.0f)), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(slots(dancers(120.0f)), (std::vector<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(slots(dancers(140.0f)), (std::vector<int>{2}));
    EXPECT_EQ(dancers(135.3f).count, 0);
}

TEST(DancerSchedule, TheCloseUpReplacesTheTrio)
{
    const DancerCalls inside = dancers(105.0f);
    ASSERT_EQ(inside.count, 1);
    const DancerCall& one = inside.calls[0];
    EXPECT_EQ(one.slot, 1);
    EXPECT_EQ(one.keep, 1.0f);
    EXPECT_EQ(one.rate, 20.0f);
    EXPECT_EQ(one.start, 0.0f);
    EXPECT_EQ(one.place[0], 0.0f);
    EXPECT_EQ(one.place[2], 0.0f);
    EXPECT_EQ(one.angle, -168.66f);

    // On the window's edges the trio is back.
    EXPECT_EQ(dancers(kCloseupStart).count, 3);
    EXPECT_EQ(dancers(kCloseupEnd).count, 3);
    // A close-up window moved past 110 replaces the ring of five.
    EXPECT_EQ(dancersAt(120.0f, 115.0f, 125.0f).count, 1);
}

TEST(DancerSchedule, CallArguments)
{
    // The pair of row 1 and 2 share keep and slide by the same G.
    const DancerCalls front = dancers(27.0f);
    const float g = static_cast<float>(0.071 * easeIn(1.0));
    EXPECT_FLOAT_EQ(front.calls[0].keep, static_cast<float>(easeIn(0.5) * 0.5));
    EXPECT_EQ(front.calls[0].keep, front.calls[1].keep);
    EXPECT_FLOAT_EQ(front.calls[0].place[0], g - 0.333f);
    EXPECT_FLOAT_EQ(front.calls[1].place[0], 0.333f - g);
    EXPECT_EQ(front.calls[0].angle, 218.16f);
    EXPECT_EQ(front.calls[1].angle, 0.0f);
    EXPECT_EQ(front.calls[2].rate, 4.0f);
    EXPECT_EQ(front.calls[2].start, 33.28f);

    // The second copy of 006 is there only between 36.5 and about 48.76 s.
    EXPECT_FLOAT_EQ(dancers(34.0f).calls[1].keep, 0.0f);
    EXPECT_FLOAT_EQ(dancers(42.0f).calls[1].keep, 0.8f);
    EXPECT_FLOAT_EQ(dancers(49.0f).calls[1].keep, 0.0f);

    const DancerCalls trio = dancers(80.0f);
    EXPECT_EQ(trio.calls[1].rate, 19.0f);
    EXPECT_EQ(trio.calls[1].start, 23.28f);
    EXPECT_FLOAT_EQ(trio.calls[2].angle, 30.0f * 80.0f - 168.66f);

    const DancerCalls ring = dancers(120.0f);
    for (int k = 0; k < 5; ++k) {
        const DancerCall& c = ring.calls[k];
        EXPECT_FLOAT_EQ(c.start, -66.72f + 10.0f * static_cast<float>(k)) << k;
        EXPECT_NEAR(std::hypot(c.place[0], c.place[2]), 0.5, 1e-6) << k;
        EXPECT_FLOAT_EQ(c.angle, 50.0f * 120.0f - 168.66f);
    }
    EXPECT_FLOAT_EQ(ring.calls[1].place[0], static_cast<float>(0.5 * std::sin(6.28318 / 5)));

    // The closing dancer fades from 0.3 to nothing after 140 s.
    EXPECT_FLOAT_EQ(dancers(140.0f).calls[0].keep, 0.3f);
    EXPECT_FLOAT_EQ(dancers(150.0f).calls[0].keep, 0.0f);
    EXPECT_EQ(dancers(140.0f).calls[0].angle, 63.72f);
}

TEST(FrameChoice, PositionWrapsAndSplits)
{
    const FrameChoice c = chooseFrame(4.0f, 33.28f, 10.0f, 50);
    ASSERT_TRUE(c.valid);
    EXPECT_EQ(c.index, 23u);
    EXPECT_NEAR(c.f, 0.28f, 1e-5f);

    // Rates below 1 count as 1.
    const FrameChoice slow = chooseFrame(0.5f, 2.5f, 10.0f, 50);
    const FrameChoice one = chooseFrame(1.0f, 2.5f, 10.0f, 50);
    EXPECT_EQ(slow.index, 12u);
    EXPECT_EQ(slow.index, one.index);
    EXPECT_EQ(slow.f, one.f);

    // Nothing to show: a clock at -100 (the A key), or an empty recording.
    EXPECT_FALSE(chooseFrame(4.0f, 33.28f, -100.0f, 50).valid);
    EXPECT_FALSE(chooseFrame(4.0f, 33.28f, 10.0f, 0).valid);
    EXPECT_TRUE(chooseFrame(4.0f, 0.0f, 0.0f, 1).valid);
}

TEST(PullWeight, RisesFallsAndSurges)
{
    EXPECT_EQ(pullWeight(20.0f), 0.0f);  // nothing is pulled before 23 s
    EXPECT_NEAR(pullWeight(30.0f), easeIn(0.21), 1e-6);
    EXPECT_NEAR(pullWeight(30.0f), 0.105, 0.001);
    EXPECT_EQ(pullWeight(40.0f), 0.0f);
    EXPECT_NEAR(pullWeight(34.8f), easeOut(0.2), 1e-6);
    EXPECT_NEAR(pullWeight(47.0f), easeIn(0.22), 1e-6);
    EXPECT_NEAR(pullWeight(51.0f), easeOut(0.1) * 20000.0, 0.01);
    EXPECT_NEAR(pullWeight(66.0f), 20000.0, 0.01);
}

TEST(Background, GeometryPerWindow)
{
    struct Case {
        float t;
        bool circle, front, grid, strip, pulse;
    };
    const Case cases[] = {
        {10.0f, false, false, false, false, false},  {16.85f, true, false, false, false, false},
        {20.0f, true, true, false, false, false},    {33.8f, true, false, false, false, false},
        {40.0f, true, false, true, false, false},    {50.5f, true, false, false, false, false},
        {60.0f, true, false, false, true, false},    {67.9f, false, false, false, false, false},
        {100.0f, false, false, false, false, true},  {135.3f, false, false, false, false, false},
        {140.0f, false, false, false, true, false},
    };
    for (const Case& c : cases) {
        const BackgroundChoice b = backgroundFor(c.t);
        EXPECT_EQ(b.circle, c.circle) << c.t;
        EXPECT_EQ(b.frontRings, c.front) << c.t;
        EXPECT_EQ(b.grid, c.grid) << c.t;
        EXPECT_EQ(b.strip, c.strip) << c.t;
        EXPECT_EQ(b.pulseRings, c.pulse) << c.t;
    }
}

TEST(Background, ShapesAndSizes)
{
    BackgroundGeometry geometry;
    ASSERT_EQ(geometry.grid().size(), 40000u);
    ASSERT_EQ(geometry.strip().size(), 10000u);
    // Odd rows are shifted by one step, toward -z for negative rows.
    EXPECT_FLOAT_EQ(geometry.grid()[0].position[0], -7.0f);
    EXPECT_FLOAT_EQ(geometry.grid()[0].position[2], -7.0f);
    EXPECT_FLOAT_EQ(geometry.grid()[200].position[2], -7.07f);  // i = -99: shifted by -1
    EXPECT_FLOAT_EQ(geometry.grid()[199].position[2], 6.93f);
    EXPECT_FLOAT_EQ(geometry.grid()[0].position[1], -0.21f);
    EXPECT_FLOAT_EQ(geometry.strip()[0].position[2], -28.0f);

    EXPECT_EQ(BackgroundGeometry::circlePointCount(20.0f), 501);
    EXPECT_EQ(BackgroundGeometry::circlePointCount(0.0f), 1);
    EXPECT_LT(BackgroundGeometry::circlePointCount(2.0f), 501);
    const BackgroundVertex& top = geometry.circle()[0];
    EXPECT_FLOAT_EQ(top.position[1], 0.796f);

    // The innermost of the 7 rings at silence: 4 * 0.75 * 0.1.
    EXPECT_FLOAT_EQ(BackgroundGeometry::ringRadius(3, 0.75f, 0.0f), 0.3f);
    std::vector<float> rings;
    BackgroundGeometry::buildRings(29, 0.5f, 0.2f, rings);
    ASSERT_EQ(rings.size(), 29u * 501u * 3u);
    const float outer = 60.0f * 0.5f * (0.2f * 10.0f + 0.1f);
    const size_t last = 28u * 501u * 3u;
    EXPECT_FLOAT_EQ(rings[last + 2], outer);  // first vertex at angle 0: (0, 0, rho)
    EXPECT_EQ(rings[last + 1], 0.0f);
}

TEST(WindowsRand, MatchesTheRuntimeSequence)
{
    // The Windows runtime's rand() after srand(1).
    WindowsRand random(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected) EXPECT_EQ(random.next(), value);
    random.seed(1);
    EXPECT_EQ(random.next(), 41);
    EXPECT_FLOAT_EQ(WindowsRand(1).unit(), 41.0f / 32767.0f);
}

}  // namespace
