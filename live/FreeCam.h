#pragma once
// The mouse-driven free camera. The record is saved and loaded raw as
// "FreeCam.bin", so its layout is the file's layout: 292 bytes, little-endian
// floats, the offsets asserted below.
#include <cstddef>
#include <cstdint>
#include <type_traits>

struct TFreeCam {
    struct Vec2 { float x, y; };
    struct Vec3 { float x, y, z; };
    struct Quat { float x, y, z, w; };

    TFreeCam();

    // One camera update from the running drag totals and the held buttons:
    // the walk-through variant when `walk_mode` is set, else the orbit one.
    // Only the change of the totals since the previous update moves the camera.
    void Rotate(float x, float y, bool left, bool middle, bool right);
    // Orbit around the centre: left turns, right rolls, both pan, middle dollies.
    void RotateOrbit(float x, float y, bool left, bool middle, bool right);
    // Walk-through: left looks around, right walks, both strafe.
    void RotateWalk(float x, float y, bool left, bool middle, bool right);

    Quat orientation{};           // orbit camera's orientation
    Quat walk_orientation{0, 0, 0, 1};  // walk-through camera's orientation
    Vec2 drag_step{};             // drag step of the last update
    Vec2 drag_total{};            // accumulated orbit drag
    Vec3 axis_z{};                // axis 2 captured when a drag starts; walk: (0, 1, 0)
    Vec3 turn_axis{};             // axis 0 captured when a right drag starts
    Vec3 axis_y{};                // axis 1 captured when a drag starts; walk: the flat view direction
    Vec3 basis_rows[5]{};         // axis 0, axis 2, axis 1, axis 2, axis 1
    Vec3 target{};                // added to eye and centre
    uint8_t unused_156[12]{};
    Vec2 prev_input{};            // drag totals seen by the previous update
    // Button latches as bytes, not bools: the file's content is taken as it
    // is, and any non-zero byte reads as set.
    uint8_t left_latched{};
    uint8_t middle_latched{};
    uint8_t right_latched{};
    uint8_t unused_179{};
    float speed = 5.0f;              // scales distance and drag response
    uint8_t dragging{};           // a two-button or orbit drag ran in this update
    uint8_t walk_mode{};          // use the walk-through variant
    uint8_t pan_latched{};        // two-button drag start captured
    uint8_t unused_187{};
    Vec3 drag_vector{};           // accumulated drag, moved by pan and orbit drags
    Vec3 eye_offset{};            // eye relative to the target
    Vec3 pan{};                   // pan offset
    Vec3 up{};                    // axis 1
    float zoom = 0.65f;              // distance factor, never below 0.2
    float view_angle = 45.0f;        // degrees; not touched by the updates
    uint8_t unused_244[12]{};
    Vec3 forward{};               // axis 0 of the walk-through orientation
    Vec3 eye{};                   // eye position
    Vec3 centre{};                // the point looked at
};

static_assert(sizeof(TFreeCam) == 292);
static_assert(std::is_standard_layout_v<TFreeCam> && std::is_trivially_copyable_v<TFreeCam>);
static_assert(offsetof(TFreeCam, orientation) == 0);
static_assert(offsetof(TFreeCam, walk_orientation) == 16);
static_assert(offsetof(TFreeCam, drag_step) == 32);
static_assert(offsetof(TFreeCam, drag_total) == 40);
static_assert(offsetof(TFreeCam, axis_z) == 48);
static_assert(offsetof(TFreeCam, turn_axis) == 60);
static_assert(offsetof(TFreeCam, axis_y) == 72);
static_assert(offsetof(TFreeCam, basis_rows) == 84);
static_assert(offsetof(TFreeCam, target) == 144);
static_assert(offsetof(TFreeCam, prev_input) == 168);
static_assert(offsetof(TFreeCam, left_latched) == 176);
static_assert(offsetof(TFreeCam, middle_latched) == 177);
static_assert(offsetof(TFreeCam, right_latched) == 178);
static_assert(offsetof(TFreeCam, speed) == 180);
static_assert(offsetof(TFreeCam, dragging) == 184);
static_assert(offsetof(TFreeCam, walk_mode) == 185);
static_assert(offsetof(TFreeCam, pan_latched) == 186);
static_assert(offsetof(TFreeCam, drag_vector) == 188);
static_assert(offsetof(TFreeCam, eye_offset) == 200);
static_assert(offsetof(TFreeCam, pan) == 212);
static_assert(offsetof(TFreeCam, up) == 224);
static_assert(offsetof(TFreeCam, zoom) == 236);
static_assert(offsetof(TFreeCam, view_angle) == 240);
static_assert(offsetof(TFreeCam, forward) == 256);
static_assert(offsetof(TFreeCam, eye) == 268);
static_assert(offsetof(TFreeCam, centre) == 280);

// Writes the raw record to `path`.tmp and renames it over `path`; false (and
// `path` untouched) when it cannot be written.
bool SaveFreeCam(const TFreeCam& camera, const char* path);

// Whether every number of the record is finite.
bool FreeCamIsFinite(const TFreeCam& camera);
