#include "live/FreeCam.h"

#include "platform/Platform.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using Vec3 = TFreeCam::Vec3;
using Quat = TFreeCam::Quat;

struct Basis {
    Vec3 axis0, axis1, axis2;
};

Basis basisOf(const Quat& q)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    return {
        {x * x - y * y - z * z + w * w, 2 * (x * y - z * w), 2 * (x * z + y * w)},
        {2 * (x * y + z * w), y * y - x * x - z * z + w * w, 2 * (y * z - x * w)},
        {2 * (x * z - y * w), 2 * (y * z + x * w), z * z - x * x - y * y + w * w},
    };
}

// A turn by `degrees` about `axis`.
Quat rot(const Vec3& axis, float degrees)
{
    const float half = degrees * 0.017453292f * 0.5f;
    const float s = std::sin(half);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(half)};
}

// Hamilton product q · r.
Quat operator*(const Quat& q, const Quat& r)
{
    return {
        q.w * r.x + q.x * r.w + q.y * r.z - q.z * r.y,
        q.w * r.y - q.x * r.z + q.y * r.w + q.z * r.x,
        q.w * r.z + q.x * r.y - q.y * r.x + q.z * r.w,
        q.w * r.w - q.x * r.x - q.y * r.y - q.z * r.z,
    };
}

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(float k, const Vec3& v) { return {k * v.x, k * v.y, k * v.z}; }

// Unit length, except for vectors too short to divide by.
Vec3 normalise(const Vec3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 1.1920929e-7f) return {v.x / length, v.y / length, v.z / length};
    return v;
}

Vec3 flat(const Vec3& v) { return normalise({v.x, 0.0f, v.z}); }

float fifth(float v) { return v * v * v * v * v; }

}  // namespace

TFreeCam::TFreeCam()
{
    // Looking in from the side and a little from above.
    const Quat roll{0.0f, 0.0f, std::sin(-0.2617994f), std::cos(-0.2617994f)};
    const Quat yaw{0.0f, std::sin(-0.7853982f), 0.0f, std::cos(-0.7853982f)};
    orientation = Quat{0, 0, 0, 1} * roll * yaw;
    RotateOrbit(0.0f, 0.0f, false, false, false);
    if (zoom < 0.2f) zoom = 0.2f;
}

void TFreeCam::Rotate(float x, float y, bool left, bool middle, bool right)
{
    if (walk_mode)
        RotateWalk(x, y, left, middle, right);
    else
        RotateOrbit(x, y, left, middle, right);
}

void TFreeCam::RotateOrbit(float x, float y, bool left, bool middle, bool right)
{
    if (!left) left_latched = 0;
    if (!middle) middle_latched = 0;
    if (!right) {
        right_latched = 0;
        pan_latched = 0;
    } else if (!right_latched || !left_latched) {
        pan_latched = 0;
    }
    dragging = 0;

    if (left && right) {  // both buttons pan
        dragging = 1;
        if (!pan_latched) {
            prev_input = {x, y};
            const Basis b = basisOf(orientation);
            axis_y = b.axis1;
            axis_z = b.axis2;
            pan_latched = left_latched = right_latched = 1;
        }
        const float dx = x - prev_input.x, dy = y - prev_input.y;
        drag_step = {dx, dy};
        const double z = zoom;
        const double k = 0.7 * (z < 0.2 ? 0.2 : z);
        pan.x = static_cast<float>(pan.x + dy * k * 0.002 * speed);
        pan.y = static_cast<float>(pan.y + dx * k * 0.002 * speed);
        drag_vector.x = static_cast<float>(drag_vector.x + dx * 0.002 * speed);
        drag_vector.y = static_cast<float>(drag_vector.y - dy * 0.002 * speed);
        prev_input = {x, y};
    }

    if (right) {  // right turns about the viewing axis
        if (!right_latched) {
            prev_input = {x, y};
            turn_axis = normalise(basisOf(orientation).axis0);
            right_latched = 1;
        }
        const float d = static_cast<float>((x - prev_input.x) * 0.6);
        drag_step = {d, y - prev_input.y};
        orientation = orientation * rot(turn_axis, d);
        prev_input = {x, y};
    }

    if (middle) {  // middle moves toward or away from the centre
        if (!middle_latched) {
            prev_input.y = y;
            middle_latched = 1;
        }
        const float dy = y - prev_input.y;
        drag_step.y = dy;
        pan.z = static_cast<float>(pan.z + dy * 0.01 * speed);
        prev_input.y = y;
    } else if (left) {  // left orbits around the centre
        auto captureAxes = [this] {
            const Basis b = basisOf(orientation);
            turn_axis = normalise(b.axis0);
            axis_y = normalise(b.axis1);
            axis_z = normalise(b.axis2);
        };
        if (!left_latched) {
            prev_input = {x, y};
            captureAxes();
            left_latched = 1;
        }
        dragging = 1;
        captureAxes();
        const float dx = x - prev_input.x, dy = y - prev_input.y;
        prev_input = {x, y};
        drag_step = {dx, dy};
        drag_total = {drag_total.x + dx, drag_total.y + dy};
        drag_vector.x = static_cast<float>(drag_vector.x + dx * 0.002 * speed);
        drag_vector.y = static_cast<float>(drag_vector.y - dy * 0.002 * speed);
        orientation = orientation * rot(axis_z, -dy);
        orientation = orientation * rot(axis_y, dx);
    }

    const Basis b = basisOf(orientation);
    eye_offset = (zoom * speed) * b.axis0;
    up = b.axis1;
    basis_rows[0] = b.axis0;
    basis_rows[1] = b.axis2;
    basis_rows[2] = b.axis1;
    basis_rows[3] = b.axis2;
    basis_rows[4] = b.axis1;
    const Vec3 panned = pan.z * b.axis0 + pan.x * b.axis1 + pan.y * b.axis2;
    centre = panned + target;
    eye = panned + eye_offset + target;
}

void TFreeCam::RotateWalk(float x, float y, bool left, bool middle, bool right)
{
    if (!left) left_latched = 0;
    if (!middle) middle_latched = 0;
    if (!right) right_latched = 0;

    if (left && right) {  // both buttons step sideways and up or down
        if (!left_latched && !right_latched) {
            prev_input = {x, y};
            left_latched = right_latched = 1;
        }
        const float dx = x - prev_input.x, dy = y - prev_input.y;
        drag_step = {dx, dy};
        axis_y = flat(forward);
        axis_z = {0.0f, 1.0f, 0.0f};
        const Vec3 side{axis_z.y * axis_y.z - axis_z.z * axis_y.y, axis_z.z * axis_y.x - axis_z.x * axis_y.z,
                        axis_z.x * axis_y.y - axis_z.y * axis_y.x};
        const Vec3 step{-(dx * side.x * 20), -(dy * 20), -(dx * side.z * 20)};
        pan = pan + step;
        eye_offset = eye_offset + step;
        prev_input = {x, y};
    }

    if (right) {  // right walks forward and back on the ground plane
        if (!right_latched) {
            prev_input = {x, y};
            const Vec3 a = basisOf(walk_orientation).axis0;
            turn_axis = normalise({fifth(a.x), fifth(a.y), fifth(a.z)});
            right_latched = 1;
        }
        const float dx = x - prev_input.x, dy = y - prev_input.y;
        drag_step = {dx, dy};
        axis_y = flat(forward);
        axis_z = {0.0f, 1.0f, 0.0f};
        const Vec3 step = (dy * 20) * axis_y;
        pan = pan - step;
        eye_offset = eye_offset - step;
        prev_input = {x, y};
    }

    if (left && !middle) {  // left looks around: yaw about the world's up, then pitch
        if (!left_latched) {
            prev_input = {x, y};
            turn_axis = axis_y = basisOf(walk_orientation).axis0;
            axis_z = normalise(axis_z);
            axis_y = normalise(axis_y);
            left_latched = 1;
        }
        const float dx = x - prev_input.x, dy = y - prev_input.y;
        prev_input = {x, y};
        drag_step = {dx, dy};
        drag_total = {drag_total.x + dx, drag_total.y + dy};
        axis_z = {0.0f, 1.0f, 0.0f};
        walk_orientation = walk_orientation * rot(axis_z, 0.5f * dx);
        axis_y = flat(basisOf(walk_orientation).axis2);
        walk_orientation = walk_orientation * rot(axis_y, 0.5f * dy);
    }

    const Basis b = basisOf(walk_orientation);
    forward = b.axis0;
    up = b.axis1;
    basis_rows[0] = b.axis0;
    basis_rows[1] = b.axis2;
    basis_rows[2] = b.axis1;
    eye = eye_offset + pan;
    centre = eye + forward;
}

bool SaveFreeCam(const TFreeCam& camera, const char* path)
{
    // Written whole beside the old file, then renamed over it: a process
    // killed while saving leaves the old file or the new one, never a part.
    const std::string temporary = std::string(path) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(&camera, 1, sizeof(camera), file) == sizeof(camera);
    if (std::fclose(file) == 0 && written && platform::MoveFileOver(temporary, path)) return true;
    std::remove(temporary.c_str());
    return false;
}

bool FreeCamIsFinite(const TFreeCam& camera)
{
    // The runs of floats in the record; the byte fields and the unused gaps
    // between them hold no numbers.
    struct Run {
        size_t from, to;  // byte offsets
    };
    constexpr Run kFloatRuns[] = {
        {offsetof(TFreeCam, orientation), offsetof(TFreeCam, unused_156)},
        {offsetof(TFreeCam, prev_input), offsetof(TFreeCam, left_latched)},
        {offsetof(TFreeCam, speed), offsetof(TFreeCam, dragging)},
        {offsetof(TFreeCam, drag_vector), offsetof(TFreeCam, unused_244)},
        {offsetof(TFreeCam, forward), sizeof(TFreeCam)},
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(&camera);
    for (const Run& run : kFloatRuns)
        for (size_t offset = run.from; offset < run.to; offset += sizeof(float)) {
            float value;
            std::memcpy(&value, bytes + offset, sizeof value);
            if (!std::isfinite(value)) return false;
        }
    return true;
}
