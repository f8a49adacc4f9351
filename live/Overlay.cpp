#include "app/TDemoApp.h"

#include "render/StrokeFont.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>

namespace {

// Controller value 0..127 mapped to about -1..1; nothing received reads -1.
float mapped(float v)
{
    return static_cast<float>((v + v) / 127.0 - 1.0);
}

// Overlay text: cells of 0.7 x (14 x 20) pixels, one line every 18 pixels.
constexpr float kOverlayScale = 0.7f;
constexpr float kOverlayLineHeight = 18.0f;
constexpr float kOverlayMargin = 8.0f;

}  // namespace

void TDemoApp::UpdateCamera()
{
    const float zoom = camera.zoom;
    if (controls._button_left) {
        drag_x = static_cast<float>(drag_x + (controls._mouse_x - prev_mouse_x) * 0.5 / zoom);
        drag_y = static_cast<float>(drag_y + (controls._mouse_y - prev_mouse_y) * 0.5 / zoom);
    }
    if (controls._button_right) {  // with both buttons held the drag counts twice
        drag_x = static_cast<float>(drag_x + (controls._mouse_x - prev_mouse_x) * 0.5 / zoom);
        drag_y = static_cast<float>(drag_y + (controls._mouse_y - prev_mouse_y) * 0.5 / zoom);
    }
    camera.Rotate(drag_x * 0.15f, drag_y * 0.15f, controls._button_left, controls._button_middle,
                  controls._button_right);

    // The wheel step grows with the distance.
    const float step = static_cast<float>(controls._wheel_step * 0.8);
    camera.zoom = step * 0.03f * std::max(camera.zoom * 2.5f, 1.0f) + camera.zoom;
    camera.zoom = std::max(camera.zoom, 0.2f);

    prev_mouse_x = static_cast<float>(controls._mouse_x);
    prev_mouse_y = static_cast<float>(controls._mouse_y);
}

void TDemoApp::DrawOverlay()
{
    ResetGLState();

    ++overlay_frames;
    if (overlay_frames % 30 == 0) {
        // A camera file that cannot be written is tried again 30 frames later.
        SaveFreeCam(camera, "FreeCam.bin");
    }

    if (show_overlay) {
        overlay_lines.clear();
        char text[128];
        std::snprintf(text, sizeof text, "X: %.03f", controls._mouse_fx);
        DrawOverlayLine(text);
        std::snprintf(text, sizeof text, "Y: %.03f", controls._mouse_fy);
        DrawOverlayLine(text);
        std::snprintf(text, sizeof text, "Z: %.03f", controls._wheel);
        DrawOverlayLine(text);
        std::snprintf(text, sizeof text, "FPS: %.02f", 1.0 / controls._dt);
        DrawOverlayLine(text);
        DrawOverlayLine(controls._status);

        // Without a controller every value reads 0.
        float value[NanoKONTROL2::kControls] = {};
        if (const MyNanoKONTROL2* nano = controls._nano)
            for (int n = 0; n < NanoKONTROL2::kControls; ++n)
                value[n] = nano->cc_value[n].load(std::memory_order_relaxed);

        controls._nx = mapped(value[5]);
        controls._ny = mapped(value[6]);
        controls._nz = mapped(value[7]);
        controls._kx = mapped(value[21]);
        controls._ky = mapped(value[22]);
        controls._kz = mapped(value[23]);
        controls._k0 = mapped(value[16]);
        controls._k1 = mapped(value[17]);
        controls._k2 = mapped(value[18]);
        controls._k3 = mapped(value[19]);
        controls._k4 = mapped(value[20]);
        controls._ix = static_cast<int32_t>(value[5]);
        controls._iy = static_cast<int32_t>(value[6]);
        controls._iz = static_cast<int32_t>(value[7]);

        auto mappedLine = [&](const char* format, float v) {
            std::snprintf(text, sizeof text, format, v);
            DrawOverlayLine(text);
        };
        auto wholeLine = [&](const char* format, int32_t v) {
            std::snprintf(text, sizeof text, format, v);
            DrawOverlayLine(text);
        };
        for (int n = 0; n < NanoKONTROL2::kControls; ++n) {
            if (!(value[n] > 1e-7f)) continue;
            std::snprintf(text, sizeof text, "NANO: %d => %.0f", n, value[n]);
            DrawOverlayLine(text);
            switch (n) {
            case 5: mappedLine("_nx: => %.03f", controls._nx); wholeLine("_ix: => %d", controls._ix); break;
            case 6: mappedLine("_ny: => %.03f", controls._ny); wholeLine("_iy: => %d", controls._iy); break;
            case 7: mappedLine("_nz: => %.03f", controls._nz); wholeLine("_iz: => %d", controls._iz); break;
            case 16: mappedLine("_k0: => %.03f", controls._k0); break;
            case 17: mappedLine("_k1: => %.03f", controls._k1); break;
            case 18: mappedLine("_k2: => %.03f", controls._k2); break;
            case 19: mappedLine("_k3: => %.03f", controls._k3); break;
            case 20: mappedLine("_k4: => %.03f", controls._k4); break;
            case 21: mappedLine("_kx: => %.03f", controls._kx); break;
            case 22: mappedLine("_ky: => %.03f", controls._ky); break;
            case 23: mappedLine("_kz: => %.03f", controls._kz); break;
            default: break;
            }
        }
    }

    // The makers' view: what does not build, in red, and the timeline.
    if (developer_mode) {
        for (const std::string& line : controls._errors) {
            overlay_lines.push_back(line);
            drawLine(line, 1.0f, 0.15f, 0.1f);
        }
        if (controls._timeline.shown) DrawTimeline(controls._timeline, window.width, window.height);
    }

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TDemoApp::DrawOverlayLine(std::string line)
{
    overlay_lines.push_back(line);
    // Viewers see a clean show; the makers, having unlocked the console, the text.
    if (developer_mode) drawLine(line, 1.0f, 0.95f, 0.6f);
}

void TDemoApp::drawLine(const std::string& line, float r, float g, float b)
{
    const float w = static_cast<float>(window.width);
    const float h = static_cast<float>(window.height);
    const float baseline = kOverlayMargin + kOverlayLineHeight * static_cast<float>(overlay_lines.size());
    if (w <= 0 || baseline > h - kTimelineHeight) return;

    glViewport(0, 0, window.width, window.height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    MultPixelSpace(w, h);
    // A dark copy one pixel down and right keeps the text readable on any scene.
    glTranslatef(kOverlayMargin + 1.0f, baseline + 1.0f, 0.0f);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    DrawStrokeText(line, 0.0f, 0.0f, 0.0f, kOverlayScale, kOverlayScale, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glColor4f(r, g, b, 1.0f);
    DrawStrokeText(line, 0.0f, 0.0f, 0.0f, kOverlayScale, kOverlayScale, 1.0f);
    glPopMatrix();

    // Leave the state as the frame loop expects it for the next frame.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_DEPTH_TEST);
}
