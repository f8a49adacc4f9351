#pragma once
// The geometry behind the dancers: a white point circle, red point grids on
// the floor and rings that breathe with the music's pulse.
#include <vector>

// What is drawn behind the dancers at a given time.
struct BackgroundChoice {
    bool circle = false;       // 16.85 <= t < 67.9
    bool frontRings = false;   // 16.85 < t < 33.8: 7 red rings
    bool grid = false;         // 33.8 < t < 50.5: 200 x 200 points
    bool strip = false;        // 50.5 < t < 67.9, and t > 135.3: 20 x 500 points
    bool pulseRings = false;   // 67.9 < t < 135.3: 29 rings in the current colour
};

BackgroundChoice backgroundFor(float t);

// One vertex of the background as the GL arrays take it.
struct BackgroundVertex {
    float position[3];
    float colour[3];
};

// Builds the circle and the grids once and the rings every frame, into
// buffers that are reused, and draws them with client-side vertex arrays.
class BackgroundGeometry {
public:
    static constexpr int kRingVertices = 501;
    static constexpr int kCirclePoints = 501;

    // Points of the circle while the clock is at `t`: it grows over the first
    // 4 seconds and has all 501 points from then on.
    static int circlePointCount(float t);

    // The radius of ring i (3, 5, 7, ...): (i + 1) * spacing * (fftBeat * 10 + 0.1),
    // spacing 0.75 for the 7 front rings and 0.5 for the 29 pulse rings.
    static float ringRadius(int i, float spacing, float fftBeat);

    // Fills `out` with the line strips of `count` rings (i = 3, 5, ...), one
    // strip of kRingVertices after the other.
    static void buildRings(int count, float spacing, float fftBeat, std::vector<float>& out);

    const std::vector<BackgroundVertex>& circle() { return ensure(circle_, &BackgroundGeometry::buildCircle); }
    const std::vector<BackgroundVertex>& grid() { return ensure(grid_, &BackgroundGeometry::buildGrid); }
    const std::vector<BackgroundVertex>& strip() { return ensure(strip_, &BackgroundGeometry::buildStrip); }

    // GL drawing; the caller has made the program current.
    void drawCircle(float t);
    void drawGrid();
    void drawStrip();
    // The 7 front rings in red that rises with the clock.
    void drawFrontRings(float t, float fftBeat);
    // The 29 pulse rings, in `colour`.
    void drawPulseRings(float fftBeat, const float colour[3]);

private:
    using Builder = void (*)(std::vector<BackgroundVertex>&);
    static const std::vector<BackgroundVertex>& ensure(std::vector<BackgroundVertex>& v, Builder build)
    {
        if (v.empty()) build(v);
        return v;
    }
    static void buildCircle(std::vector<BackgroundVertex>& out);
    static void buildGrid(std::vector<BackgroundVertex>& out);
    static void buildStrip(std::vector<BackgroundVertex>& out);
    void drawRings(int count, float spacing, float fftBeat, const float colour[3]);
    static void drawPoints(const std::vector<BackgroundVertex>& v, int count);

    std::vector<BackgroundVertex> circle_;
    std::vector<BackgroundVertex> grid_;
    std::vector<BackgroundVertex> strip_;
    std::vector<float> rings_;  // rebuilt every frame, capacity kept
};
