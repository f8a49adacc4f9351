// Building one dancer's vertex lists: which points are kept, where they are
// placed, how they are pulled, thrown and tied back.
#include "parts/dancers/DancerVertices.h"
#include "parts/dancers/DancerSchedule.h"
#include "parts/dancers/WindowsRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

DanceFrame frameOf(size_t count, float y = 0.0f)
{
    DanceFrame frame;
    frame.points.resize(count);
    for (size_t i = 0; i < count; ++i) {
        DancePoint& p = frame.points[i];
        p.colour = 0x00008000u;  // intensity byte 128
        p.position[0] = static_cast<float>(i) * 0.001f;
        p.position[1] = y;
    }
    return frame;
}

DancerPose poseAt(float t, float keep = 1.0f)
{
    DancerPose pose;
    pose.t = t;
    pose.keep = keep;
    return pose;
}

struct Built {
    DancerVertexLists lists;
    std::vector<Point3> world;
};

Built build(const DanceFrame& frame, const DancerPose& pose, const std::vector<Point3>& previous = {})
{
    Built b;
    buildDancerVertices(frame, pose, previous, b.lists, b.world);
    return b;
}

TEST(DancerVertices, KeepOneTakesAllKeepZeroOnlyTheZeroDraws)
{
    // At 67.9 s exactly no effect draws numbers: one number per point.
    const DanceFrame frame = frameOf(70000);
    EXPECT_EQ(build(frame, poseAt(67.9f, 1.0f)).lists.body.size(), 70000u);

    const Built none = build(frame, poseAt(67.9f, 0.0f));
    WindowsRand reference(kDancerSeed);
    std::vector<float> expectedX;
    for (size_t i = 0; i < frame.points.size(); ++i)
        if (reference.next() == 0) expectedX.push_back(frame.points[i].position[0]);
    ASSERT_FALSE(expectedX.empty()) << "the sequence should hold a zero within 70000 draws";
    ASSERT_EQ(none.lists.body.size(), expectedX.size());
    for (size_t k = 0; k < expectedX.size(); ++k) EXPECT_EQ(none.lists.body[k].position[0], expectedX[k]);
}

TEST(DancerVertices, EveryCallKeepsTheSamePoints)
{
    const DanceFrame frame = frameOf(2000, 0.5f);
    const Built first = build(frame, poseAt(30.0f, 0.4f));
    const Built second = build(frame, poseAt(30.0f, 0.4f));
    ASSERT_GT(first.lists.body.size(), 600u);
    ASSERT_LT(first.lists.body.size(), 1000u);
    ASSERT_EQ(first.lists.body.size(), second.lists.body.size());
    for (size_t i = 0; i < first.lists.body.size(); ++i) {
        ASSERT_EQ(first.lists.body[i].position[0], second.lists.body[i].position[0]) << i;
        ASSERT_EQ(first.lists.displaced[i], second.lists.displaced[i]) << i;
    }
}

TEST(DancerVertices, PointsAreInterpolatedScaledTurnedAndMoved)
{
    DanceFrame frame;
    frame.points.resize(1);
    frame.points[0].colour = 0x00FF4000u;  // intensity byte 0x40
    const float position[3] = {1.0f, 2.0f, 0.0f};
    const float offset[3] = {0.5f, 0.0f, -1.0f};
    for (int i = 0; i < 3; ++i) {
        frame.points[0].position[i] = position[i];
        frame.points[0].offset[i] = offset[i];
    }
    DancerPose pose = poseAt(67.9f);
    pose.f = 0.28f;
    const float place[3] = {10.0f, 20.0f, 30.0f};
    pose.placement = DancerPlacement(place, 90.0f, 0.5f);

    const Built b = build(frame, pose);
    ASSERT_EQ(b.lists.body.size(), 1u);
    // v = position + 0.72 offset = (1.36, 2, -0.72); scaled by 0.5 = (0.68, 1, -0.36);
    // a quarter turn about y takes (x, z) to (z, -x).
    const DancerVertex& v = b.lists.body[0];
    EXPECT_NEAR(v.position[0], 10.0f - 0.36f, 1e-5f);
    EXPECT_NEAR(v.position[1], 21.0f, 1e-5f);
    EXPECT_NEAR(v.position[2], 30.0f - 0.68f, 1e-5f);
    EXPECT_FLOAT_EQ(v.colour[0], 0x40 / 256.0f + 0.2f);
    EXPECT_EQ(v.colour[1], 0.0f);
    EXPECT_FLOAT_EQ(v.normal[0], 1.0f);
    EXPECT_FLOAT_EQ(v.normal[2], -0.5f);
    ASSERT_EQ(b.world.size(), 1u);
    EXPECT_EQ(b.world[0][0], v.position[0]);
}

TEST(DancerVertices, BeforeThePulseHighPointsArePulledTowardRandomPlaces)
{
    // One point at height 1, at 30 s: e = w * 0.2 * y^2 with w = easeIn(0.21).
    const DanceFrame frame = frameOf(1, 1.0f);
    const Built b = build(frame, poseAt(30.0f));
    WindowsRand reference(kDancerSeed);
    reference.next();  // keep
    const float r1 = reference.unit();
    const float r2 = reference.unit();
    const float r3 = reference.unit();
    const float g[3] = {(r3 * 4 - 2) * 10, r2 * 2 * 10, (r1 * 4 - 2) * 10};
    const float e = pullWeight(30.0f) * 0.2f;
    const float p[3] = {0.0f, 1.0f, 0.0f};
    ASSERT_EQ(b.lists.displaced.size(), 1u);
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(b.lists.displaced[0][axis], p[axis] + (g[axis] - p[axis]) * e, 1e-5f) << axis;
    // Moved by more than 0.1: drawn again where it went.
    EXPECT_EQ(b.lists.thrown.size(), 1u);
    EXPECT_EQ(b.lists.thrown[0].colour[0], 1.0f);

    // At 20 s nothing pulls: the point stays, though the numbers were drawn.
    const Built still = build(frame, poseAt(20.0f));
    EXPECT_EQ(still.lists.displaced[0], (Point3{0.0f, 1.0f, 0.0f}));
    EXPECT_TRUE(still.lists.thrown.empty());
}

TEST(DancerVertices, LinesTieAllButTheLastTwentyPoints)
{
    EXPECT_TRUE(build(frameOf(20), poseAt(67.9f)).lists.lines.empty());
    const Built b = build(frameOf(23), poseAt(67.9f));
    ASSERT_EQ(b.lists.lines.size(), 6u);
    // A line runs from the point's place to where it was thrown, both ends in
    // the point's brightness.
    EXPECT_EQ(b.lists.lines[2].position[0], b.lists.body[1].position[0]);
    EXPECT_EQ(b.lists.lines[3].position[0], b.lists.displaced[1][0]);
    EXPECT_FLOAT_EQ(b.lists.lines[3].colour[0], 128 / 256.0f + 0.2f);
}

TEST(DancerVertices, WithThePulsePointsJumpOntoThePreviousDancer)
{
    const DanceFrame frame = frameOf(135);
    const std::vector<Point3> previous = {{5, 5, 5}, {6, 6, 6}, {7, 7, 7}};
    const Built b = build(frame, poseAt(100.0f), previous);

    // Point 0: keep, then r1 r2 r3 of the beat throw, then the pick.
    WindowsRand reference(kDancerSeed);
    for (int i = 0; i < 4; ++i) reference.next();
    const int k = reference.next();
    EXPECT_EQ(b.lists.displaced[0], previous[static_cast<size_t>(k) % 2]);
    // Point 134 picks too; point 1 does not.
    EXPECT_TRUE(b.lists.displaced[134] == previous[0] || b.lists.displaced[134] == previous[1]);
    EXPECT_EQ(b.lists.displaced[1], b.world[1]);

    // A single previous point is the only choice.
    const Built single = build(frame, poseAt(100.0f), {{9, 9, 9}});
    EXPECT_EQ(single.lists.displaced[0], (Point3{9, 9, 9}));
    EXPECT_EQ(single.lists.displaced[134], (Point3{9, 9, 9}));

    // Without a previous dancer point 0 is thrown along its motion instead.
    DanceFrame moving = frameOf(1);
    moving.points[0].offset[1] = 0.01f;
    DancerPose pose = poseAt(100.0f);
    pose.fftBeat = 0.05f;
    const Built alone = build(moving, pose);
    // q = p - (u - p) * 20 * (0.05 + 0.15) with u - p = (0, -0.01 - 0.01 * (1 - f), 0), f = 0.
    EXPECT_NEAR(alone.lists.displaced[0][1], 0.01f + 0.02f * 4.0f, 1e-6f);
}

}  // namespace
