#include "live/Timeline.h"

#include "render/StrokeFont.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kMargin = 8.0f;
constexpr float kLevelsWidth = 84.0f;   // the two pulse bars at the right end
constexpr float kTextRow = 22.0f;       // the line of text above the track

struct Box {
    float left, top, right, bottom;
    float xAt(float fraction) const { return left + (right - left) * std::clamp(fraction, 0.0f, 1.0f); }
    float yAt(float fraction) const { return bottom - (bottom - top) * std::clamp(fraction, 0.0f, 1.0f); }
};

void fill(const Box& b)
{
    glBegin(GL_QUADS);
    glVertex2f(b.left, b.top);
    glVertex2f(b.right, b.top);
    glVertex2f(b.right, b.bottom);
    glVertex2f(b.left, b.bottom);
    glEnd();
}

void line(float x0, float y0, float x1, float y1)
{
    glBegin(GL_LINES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glEnd();
}

void text(const char* s, float x, float baseline, float scale)
{
    glPushMatrix();
    glTranslatef(x, baseline, 0.0f);
    DrawStrokeText(s, 0.0f, 0.0f, 0.0f, scale, scale, 1.0f);
    glPopMatrix();
    glDisable(GL_DEPTH_TEST);  // the font turns it on
}

// The stepped curve across the track, its values spread over the track's height.
void drawCurve(const TimelineView& view, const Box& track)
{
    const size_t count = std::min(view.curveTimes.size(), view.curveValues.size());
    if (count == 0 || view.end <= 0) return;
    const auto [low, high] = std::minmax_element(view.curveValues.begin(), view.curveValues.begin() + count);
    const float span = *high - *low > 1e-6f ? *high - *low : 1.0f;
    const float base = *high - *low > 1e-6f ? *low : *low - 0.5f;
    const auto y = [&](float v) { return track.yAt(0.1f + 0.8f * (v - base) / span); };

    glColor4f(0.3f, 0.85f, 1.0f, 1.0f);
    glBegin(GL_LINE_STRIP);
    glVertex2f(track.left, y(view.curveValues[0]));
    for (size_t i = 0; i < count; ++i) {
        const float x = track.xAt(view.curveTimes[i] / view.end);
        if (i > 0) glVertex2f(x, y(view.curveValues[i - 1]));
        glVertex2f(x, y(view.curveValues[i]));
    }
    glVertex2f(track.right, y(view.curveValues[count - 1]));
    glEnd();
}

void drawLevel(const char* label, float level, float x, const Box& track, float r, float g, float b)
{
    glColor4f(0.25f, 0.25f, 0.25f, 1.0f);
    fill({x, track.top, x + 14.0f, track.bottom});
    glColor4f(r, g, b, 1.0f);
    fill({x, track.yAt(level), x + 14.0f, track.bottom});
    text(label, x - 4.0f, track.top - 6.0f, 0.5f);
}

}  // namespace

const TimelineWindow* WindowAt(std::span<const TimelineWindow> windows, float time)
{
    if (windows.empty()) return nullptr;
    const TimelineWindow* at = &windows.front();
    for (const TimelineWindow& w : windows)
        if (w.start <= time) at = &w;
    return at;
}

void DrawTimeline(const TimelineView& view, int width, int height)
{
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (w < 2 * kMargin + kLevelsWidth + 16.0f || h < kTimelineHeight) return;

    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    MultPixelSpace(w, h);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_POLYGON_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const Box bar{0.0f, h - kTimelineHeight, w, h};
    const Box track{kMargin, bar.top + kTextRow + 4.0f, w - kMargin - kLevelsWidth, h - 6.0f};
    glColor4f(0.0f, 0.0f, 0.0f, 0.65f);
    fill(bar);

    // The current window lit, every window's start marked.
    const TimelineWindow* current = WindowAt(view.windows, view.time);
    const float end = view.end > 0 ? view.end : 1.0f;
    for (size_t i = 0; i < view.windows.size(); ++i) {
        const float x0 = track.xAt(view.windows[i].start / end);
        const float x1 = i + 1 < view.windows.size() ? track.xAt(view.windows[i + 1].start / end) : track.right;
        if (&view.windows[i] == current) {
            glColor4f(1.0f, 1.0f, 1.0f, 0.14f);
            fill({x0, track.top, x1, track.bottom});
        }
        glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
        line(x0, track.top, x0, track.bottom);
    }
    glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
    line(track.left, track.bottom, track.right, track.bottom);
    line(track.right, track.top, track.right, track.bottom);

    glLineWidth(1.5f);
    drawCurve(view, track);
    glLineWidth(1.0f);

    // The play head.
    const float head = track.xAt(view.time / end);
    glColor4f(1.0f, 0.55f, 0.1f, 1.0f);
    fill({head - 1.0f, track.top - 2.0f, head + 1.0f, track.bottom});

    char label[160];
    std::snprintf(label, sizeof label, "%.2f s   %s%s", view.time, current ? current->name : "",
                  view.paused ? "   PAUSED" : "");
    glColor4f(1.0f, 0.95f, 0.6f, 1.0f);
    text(label, kMargin, bar.top + kTextRow - 4.0f, 0.7f);

    // The pulses: beat lies in 0..1; fftbeat spans decades, so its root shows.
    const float levels = w - kMargin - kLevelsWidth + 22.0f;
    drawLevel("beat", std::clamp(view.beat, 0.0f, 1.0f), levels, track, 1.0f, 0.85f, 0.2f);
    drawLevel("fft", std::sqrt(std::clamp(view.fftBeat, 0.0f, 1.0f)), levels + 36.0f, track, 0.95f, 0.3f, 0.8f);

    glPopMatrix();
    glDisable(GL_BLEND);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
