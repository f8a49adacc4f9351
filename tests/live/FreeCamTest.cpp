#include "app/TDemoApp.h"
#include "live/FreeCam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Vec3 = TFreeCam::Vec3;
using Quat = TFreeCam::Quat;

Vec3 minus(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vec3 v) { return std::sqrt(dot(v, v)); }

#define EXPECT_VEC_NEAR(actual, ex, ey, ez, tolerance) \
    do {                                               \
        const Vec3 v_ = (actual);                      \
        EXPECT_NEAR(v_.x, (ex), (tolerance));          \
        EXPECT_NEAR(v_.y, (ey), (tolerance));          \
        EXPECT_NEAR(v_.z, (ez), (tolerance));          \
    } while (0)

void expectSameQuat(const Quat& a, const Quat& b, float tolerance = 1e-6f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

struct Buttons {
    bool left, middle, right;
    const char* name;
};
const Buttons kDrags[] = {{true, false, false, "left"},     {false, false, true, "right"},
                          {false, true, false, "middle"},   {true, false, true, "left+right"},
                          {true, true, false, "left+middle"}};

// A walk-through camera looking along +z.
TFreeCam walkingAlongZ()
{
    TFreeCam cam;
    cam.walk_mode = 1;
    const float half = 45.0f * 0.017453292f;  // 90 degrees about y: x turns to z
    cam.walk_orientation = {0.0f, std::sin(half), 0.0f, std::cos(half)};
    cam.Rotate(0, 0, false, false, false);
    return cam;
}

}  // namespace

TEST(FreeCam, TheDefaultCameraLooksAtItsCentreFromZoomTimesSpeed)
{
    TFreeCam cam;
    EXPECT_EQ(cam.zoom, 0.65f);
    EXPECT_EQ(cam.speed, 5.0f);
    EXPECT_EQ(cam.view_angle, 45.0f);
    EXPECT_EQ(cam.walk_mode, 0);
    EXPECT_NEAR(length(minus(cam.eye, cam.centre)), 0.65f * 5.0f, 1e-5f);
    EXPECT_NEAR(length(cam.up), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(cam.up, minus(cam.eye, cam.centre)), 0.0f, 1e-5f);
    // Looking in from the side and a little from above, turned 30 degrees.
    EXPECT_NEAR(cam.up.y, std::cos(30.0f * 0.017453292f), 1e-5f);
}

TEST(FreeCam, TheFirstUpdateOfADragMovesNothing)
{
    for (bool walk : {false, true})
        for (const Buttons& drag : kDrags) {
            SCOPED_TRACE(std::string(walk ? "walk-through, " : "orbit, ") + drag.name);
            TFreeCam cam = walkingAlongZ();
            cam.walk_mode = walk ? 1 : 0;
            cam.Rotate(5, 5, false, false, false);
            const TFreeCam before = cam;
            cam.Rotate(37, -12, drag.left, drag.middle, drag.right);
            expectSameQuat(cam.orientation, before.orientation, 0);
            expectSameQuat(cam.walk_orientation, before.walk_orientation, 0);
            EXPECT_VEC_NEAR(cam.pan, before.pan.x, before.pan.y, before.pan.z, 0);
            EXPECT_VEC_NEAR(cam.eye, before.eye.x, before.eye.y, before.eye.z, 1e-6f);
            EXPECT_VEC_NEAR(cam.centre, before.centre.x, before.centre.y, before.centre.z, 1e-6f);
        }
}

TEST(FreeCam, ALeftDragOfNinetyTurnsAboutTheSecondAxisAndKeepsTheDistance)
{
    TFreeCam cam;
    cam.Rotate(10, 20, true, false, false);
    const Quat q = cam.orientation;
    const Vec3 axis1 = cam.up;
    cam.Rotate(100, 20, true, false, false);

    // q · rot(axis 1 of q, 90 degrees), Hamilton product with the turn on the right.
    const float s = std::sin(0.7853982f), c = std::cos(0.7853982f);
    const Quat r{axis1.x * s, axis1.y * s, axis1.z * s, c};
    const Quat expected{q.w * r.x + q.x * r.w + q.y * r.z - q.z * r.y, q.w * r.y - q.x * r.z + q.y * r.w + q.z * r.x,
                        q.w * r.z + q.x * r.y - q.y * r.x + q.z * r.w, q.w * r.w - q.x * r.x - q.y * r.y - q.z * r.z};
    expectSameQuat(cam.orientation, expected, 1e-5f);
    EXPECT_NEAR(length(minus(cam.eye, cam.centre)), cam.zoom * cam.speed, 1e-5f);
    EXPECT_FLOAT_EQ(cam.drag_total.x, 90.0f);
    EXPECT_FLOAT_EQ(cam.drag_step.x, 90.0f);
    EXPECT_EQ(cam.dragging, 1);
}

TEST(FreeCam, BothButtonsPanWithoutTurningAndTheZoomFloorScalesThePan)
{
    for (float zoom : {0.65f, 0.1f}) {
        SCOPED_TRACE(zoom);
        TFreeCam cam;
        cam.zoom = zoom;
        cam.Rotate(0, 0, true, false, true);
        const TFreeCam before = cam;
        cam.Rotate(10, 20, true, false, true);
        expectSameQuat(cam.orientation, before.orientation, 0);
        const double k = 0.7 * std::max(0.2, static_cast<double>(zoom));
        EXPECT_NEAR(cam.pan.x, 20 * k * 0.002 * 5, 1e-6);
        EXPECT_NEAR(cam.pan.y, 10 * k * 0.002 * 5, 1e-6);
        EXPECT_EQ(cam.pan.z, 0.0f);
        EXPECT_NEAR(cam.drag_vector.x, 0.1f, 1e-6f);
        EXPECT_NEAR(cam.drag_vector.y, -0.2f, 1e-6f);
        // The centre moves with the pan, across the view; the eye keeps its distance.
        EXPECT_NEAR(length(minus(cam.centre, before.centre)), std::hypot(cam.pan.x, cam.pan.y), 1e-5f);
        EXPECT_NEAR(length(minus(cam.eye, cam.centre)), cam.zoom * cam.speed, 1e-5f);
    }
}

TEST(FreeCam, TheMiddleButtonDolliesAlongTheViewAndBlocksTheOrbit)
{
    TFreeCam cam;
    const Vec3 axis0 = cam.basis_rows[0];
    cam.Rotate(0, 0, true, true, false);
    const TFreeCam before = cam;
    cam.Rotate(30, 10, true, true, false);
    expectSameQuat(cam.orientation, before.orientation, 0);
    EXPECT_FLOAT_EQ(cam.pan.z, 0.5f);  // 10 x 0.01 x speed
    const Vec3 moved = minus(cam.centre, before.centre);
    EXPECT_VEC_NEAR(moved, 0.5f * axis0.x, 0.5f * axis0.y, 0.5f * axis0.z, 1e-5f);
}

TEST(FreeCam, WalkingMovesPanAndEyeOffsetSoTheEyeMovesTwice)
{
    TFreeCam cam = walkingAlongZ();
    EXPECT_VEC_NEAR(cam.forward, 0, 0, 1, 1e-6f);
    const TFreeCam before = cam;
    cam.Rotate(0, 0, false, false, true);
    cam.Rotate(0, 1, false, false, true);
    EXPECT_VEC_NEAR(minus(cam.pan, before.pan), 0, 0, -20, 1e-5f);
    EXPECT_VEC_NEAR(minus(cam.eye_offset, before.eye_offset), 0, 0, -20, 1e-5f);
    EXPECT_VEC_NEAR(minus(cam.eye, before.eye), 0, 0, -40, 1e-5f);

    // Both buttons step sideways and down.
    TFreeCam strafing = walkingAlongZ();
    strafing.Rotate(0, 0, true, false, true);
    strafing.Rotate(1, 1, true, false, true);
    EXPECT_VEC_NEAR(strafing.pan, -20, -20, 0, 1e-4f);
}

TEST(FreeCam, WalkingLooksAroundByYawWithoutTilting)
{
    TFreeCam cam = walkingAlongZ();
    const Vec3 forward = cam.forward;
    cam.Rotate(0, 0, true, false, false);
    cam.Rotate(90, 0, true, false, false);  // half a degree per unit
    EXPECT_NEAR(dot(cam.forward, forward), std::cos(45.0f * 0.017453292f), 1e-5f);
    EXPECT_NEAR(cam.forward.y, 0.0f, 1e-6f);
    EXPECT_NEAR(length(minus(cam.centre, cam.eye)), 1.0f, 1e-5f);

    cam.Rotate(90, 0, true, true, false);  // the middle button blocks the look
    cam.Rotate(90, 40, true, true, false);
    EXPECT_NEAR(cam.forward.y, 0.0f, 1e-6f);
}

TEST(FreeCamControl, DragsAccumulatePixelsOverZoomAndBothButtonsCountTwice)
{
    TDemoApp app;
    app.controls._mouse_x = 50;
    app.controls._mouse_y = 50;
    app.UpdateCamera();
    app.controls._button_left = true;
    app.controls._mouse_x = 150;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.drag_x, 100 * 0.5f / 0.65f);
    EXPECT_EQ(app.drag_y, 0.0f);

    app.controls._button_right = true;
    app.controls._mouse_y = 60;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.drag_y, 2 * 10 * 0.5f / 0.65f);
    EXPECT_EQ(app.prev_mouse_y, 60.0f);
}

TEST(FreeCamControl, WheelStepsGrowWithTheDistanceAndStopAtTheFloor)
{
    TDemoApp app;
    app.controls._wheel_step = 1.0f;
    app.UpdateCamera();
    EXPECT_NEAR(app.camera.zoom, 0.65f + 0.039f, 1e-6f);
    float previousStep = 0.039f;
    for (int i = 1; i < 10; ++i) {
        const float before = app.camera.zoom;
        app.UpdateCamera();
        const float step = app.camera.zoom - before;
        EXPECT_GT(step, previousStep - 1e-6f);
        previousStep = step;
    }
    app.controls._wheel_step = -1.0f;
    for (int i = 0; i < 200; ++i) app.UpdateCamera();
    EXPECT_EQ(app.camera.zoom, 0.2f);
}
