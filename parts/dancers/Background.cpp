#include "parts/dancers/Background.h"

#include "parts/dancers/Easing.h"
#include "parts/dancers/ShowTimes.h"

#include <GL/glew.h>

#include <cmath>

namespace {

constexpr float kTurn = 6.2831852f;
// Background vertices carry no motion: the neutral normal.
constexpr float kNeutralNormal = 0.5f;

// Points (i * 0.07, -0.21, (j + i mod 2) * 0.07) in red; odd rows shifted a step.
void buildFloor(std::vector<BackgroundVertex>& out, int iFirst, int iEnd, int jFirst, int jEnd)
{
    out.clear();
    out.reserve(static_cast<size_t>(iEnd - iFirst) * static_cast<size_t>(jEnd - jFirst));
    for (int i = iFirst; i < iEnd; ++i)
        for (int j = jFirst; j < jEnd; ++j)
            out.push_back({{static_cast<float>(i) * 0.07f, -0.21f, static_cast<float>(j + i % 2) * 0.07f}, {1, 0, 0}});
}

}  // namespace

BackgroundChoice backgroundFor(float t)
{
    using namespace show_times;
    BackgroundChoice c;
    c.circle = t >= kIntroEnd && t < kDollyEnd;
    c.frontRings = t > kIntroEnd && t < kFrontEnd;
    c.grid = t > kFrontEnd && t < kOrbitEnd;
    c.strip = (t > kOrbitEnd && t < kDollyEnd) || t > kShotsEnd;
    c.pulseRings = t > kDollyEnd && t < kShotsEnd;
    return c;
}

int BackgroundGeometry::circlePointCount(float t)
{
    const double limit = easeIn(t * 0.25) * 500.0 + 1.0;
    int count = 0;
    while (count < kCirclePoints && count < limit) ++count;
    return count;
}

float BackgroundGeometry::ringRadius(int i, float spacing, float fftBeat)
{
    return static_cast<float>(i + 1) * spacing * (fftBeat * 10.0f + 0.1f);
}

void BackgroundGeometry::buildRings(int count, float spacing, float fftBeat, std::vector<float>& out)
{
    out.resize(static_cast<size_t>(count) * kRingVertices * 3);
    float* v = out.data();
    for (int ring = 0; ring < count; ++ring) {
        const float rho = ringRadius(3 + 2 * ring, spacing, fftBeat);
        for (int j = 0; j < kRingVertices; ++j) {
            const float a = (static_cast<float>(j) / 500.0f) * kTurn;
            *v++ = rho * std::sin(a);
            *v++ = 0.0f;
            *v++ = rho * std::cos(a);
        }
    }
}

void BackgroundGeometry::buildCircle(std::vector<BackgroundVertex>& out)
{
    out.clear();
    out.reserve(kCirclePoints);
    for (int k = 0; k < kCirclePoints; ++k) {
        const float a = (static_cast<float>(k) / 500.0f) * kTurn;
        out.push_back({{0.396f * std::sin(a), 0.396f * std::cos(a) + 0.4f, 0.0f}, {1, 1, 1}});
    }
}

void BackgroundGeometry::buildGrid(std::vector<BackgroundVertex>& out)
{
    buildFloor(out, -100, 100, -100, 100);
}

void BackgroundGeometry::buildStrip(std::vector<BackgroundVertex>& out)
{
    buildFloor(out, -10, 10, -400, 100);
}

void BackgroundGeometry::drawPoints(const std::vector<BackgroundVertex>& v, int count)
{
    if (count <= 0) return;
    glNormal3f(kNeutralNormal, kNeutralNormal, kNeutralNormal);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(BackgroundVertex), v[0].position);
    glColorPointer(3, GL_FLOAT, sizeof(BackgroundVertex), v[0].colour);
    glDrawArrays(GL_POINTS, 0, count);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // Immediate mode would have left the last vertex's colour current.
    glColor3fv(v[static_cast<size_t>(count) - 1].colour);
}

void BackgroundGeometry::drawCircle(float t)
{
    glPointSize(1.0f);
    drawPoints(circle(), circlePointCount(t));
}

void BackgroundGeometry::drawGrid()
{
    drawPoints(grid(), static_cast<int>(grid().size()));
}

void BackgroundGeometry::drawStrip()
{
    drawPoints(strip(), static_cast<int>(strip().size()));
}

void BackgroundGeometry::drawFrontRings(float t, float fftBeat)
{
    const float red[3] = {static_cast<float>(easeIn(t * 0.5)), 0.0f, 0.0f};
    drawRings(7, 0.75f, fftBeat, red);
}

void BackgroundGeometry::drawPulseRings(float fftBeat, const float colour[3])
{
    drawRings(29, 0.5f, fftBeat, colour);
}

void BackgroundGeometry::drawRings(int count, float spacing, float fftBeat, const float colour[3])
{
    buildRings(count, spacing, fftBeat, rings_);
    glColor3fv(colour);
    glNormal3f(kNeutralNormal, kNeutralNormal, kNeutralNormal);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, rings_.data());
    for (int ring = 0; ring < count; ++ring) glDrawArrays(GL_LINE_STRIP, ring * kRingVertices, kRingVertices);
    glDisableClientState(GL_VERTEX_ARRAY);
}
