#pragma once
// The vertex lists of one dancer: its kept points placed in the scene, the
// points thrown away from the body, and the lines that tie them back. Built
// on the CPU into buffers that keep their memory from frame to frame.
#include "parts/dancers/DanceSequence.h"
#include "parts/dancers/PointCloud.h"

#include <vector>

// Scale, then turn about the y axis, then move: the dancer's model matrix.
struct DancerPlacement {
    float place[3] = {0, 0, 0};
    float cosAngle = 1;
    float sinAngle = 0;
    float scale = 1;

    DancerPlacement() = default;
    DancerPlacement(const float place[3], float angleDegrees, float scale);
    Point3 apply(float x, float y, float z) const;
};

// One vertex as the GL arrays take it.
struct DancerVertex {
    float position[3];
    float colour[3];
    float normal[3];
};

struct DancerVertexLists {
    std::vector<DancerVertex> body;      // every kept point at its place, in its own brightness
    std::vector<DancerVertex> thrown;    // points moved at least 0.1 away, full red
    std::vector<DancerVertex> lines;     // pairs: the place, then where the point was thrown
    std::vector<Point3> displaced;       // per kept point: where it was thrown (its place if not)

    void clear()
    {
        body.clear();
        thrown.clear();
        lines.clear();
        displaced.clear();
    }
};

// What one dancer draw needs besides the frame.
struct DancerPose {
    float f = 0;               // fraction of the way to the next frame
    DancerPlacement placement;
    float keep = 1;            // share of the points drawn
    float t = 0;               // the show clock
    float fftBeat = 0;         // the spectrum pulse
};

// The seed every dancer draw starts its random numbers from, so that every
// frame keeps the same points.
constexpr unsigned kDancerSeed = 4234;

// Builds `out` from the frame's points, in file order. `previous` holds the
// world positions of the dancer drawn before in this frame (some points jump
// onto them after 67.9 s); `world` receives this dancer's world positions.
void buildDancerVertices(const DanceFrame& frame, const DancerPose& pose, const std::vector<Point3>& previous,
                         DancerVertexLists& out, std::vector<Point3>& world);

// Points at least this far from their place are drawn again where they were thrown.
constexpr float kThrownDistance = 0.1f;
// The last this many kept points get no line back to their place.
constexpr size_t kUntiedPoints = 20;
