#pragma once
// The one application record: chosen resolution and mode, window, part list,
// controls block, camera, controller, dialog, render targets, loop state.
#include "app/StartupMenu.h"
#include "app/TGLWindow.h"
#include "live/FreeCam.h"
#include "live/KeyTransport.h"
#include "live/NanoKONTROL2.h"
#include "live/SurfaceFinder.h"
#include "live/Timeline.h"
#include "render/RenderTarget.h"

#include <cstdint>
#include <string>
#include <vector>

struct Part;

// The block every part reaches through its `ctrl` pointer.
struct TLiveControls {
    MyNanoKONTROL2* _nano = nullptr;
    float _nx = 0, _ny = 0, _nz = 0;        // faders 5, 6, 7 mapped to -1..1
    int32_t _ix = 0, _iy = 0, _iz = 0;      // faders 5, 6, 7 as 0..127
    float _kx = 0, _ky = 0, _kz = 0;        // knobs 5, 6, 7 mapped to -1..1
    float _k0 = 0, _k1 = 0, _k2 = 0, _k3 = 0, _k4 = 0;  // knobs 0..4 mapped to -1..1
    float _mouse_fx = 0, _mouse_fy = 0;     // mouse position / window size
    float _wheel = 0;                       // +0.2 per step up, -0.2 per step down
    float _wheel_step = 0;                  // +1 / -1 when the wheel moved in this poll
    std::string _status;                    // the part's status line
    float _dt = 0;                          // seconds between the last two polls
    int32_t _mouse_x = 0, _mouse_y = 0;     // mouse position in window pixels
    bool _button_left = false, _button_right = false, _button_middle = false;
    static constexpr int kKeyCount = 512;
    bool _keys[kKeyCount] = {};             // held keys by SDL scancode

    // The makers' tools, in developer mode only:
    std::vector<TransportKey> _transport;   // transport keys pressed in this poll, in order
    std::vector<std::string> _errors;       // shown in red by the overlay until cleared
    TimelineView _timeline;                 // what the overlay's timeline bar shows
};

struct TDemoApp {
    // The five render targets, in record order; the scene draws through #3.
    enum RenderTargetIndex { kFull = 0, kQuarter = 1, kFullMultisample = 2, kQuarterMultisample = 3, kSquare = 4 };

    int32_t width = 1920;
    int32_t height = 1080;
    bool fullscreen = false;
    TGLWindow window;
    std::vector<Part*> parts;
    TLiveControls controls;
    bool running = true;
    bool show_overlay = true;
    TFreeCam camera;
    int64_t last_ticks = 0;
    MyNanoKONTROL2 nano_kontrol2;
    TStartupMenu menu;
    TGLRenderTarget renderTargets[5];
    int32_t overlay_frames = 0;
    float drag_x = 0, drag_y = 0;
    float prev_mouse_x = 0, prev_mouse_y = 0;
    // Set when the dialog's title was held long enough to unlock the console
    // (or QUELLIN_DEVELOPER=1 asked for it): the overlay and the makers'
    // tools (surface search, reloading, keyboard transport, timeline,
    // screenshots) are there only then.
    bool developer_mode = false;
    // After the controller: the finder's thread stops before the controller closes.
    SurfaceFinder surface{nano_kontrol2};
    bool screenshot_requested = false;     // F12: saved once the frame is drawn
    // Mouse buttons SDL still believes held although they are up: a press
    // on the dialog whose release went to the destroyed dialog window.
    uint32_t stale_buttons = 0;
    bool buttons_unchecked = false;        // the next poll compares SDL's buttons with the real ones
    // The overlay's lines of the latest frame, in order.
    std::vector<std::string> overlay_lines;

    TGLRenderTarget& sceneTarget() { return renderTargets[kFullMultisample]; }

    // Reads the camera file, creates the render targets, starts the controller
    // and loads every part; run once between the dialog and the frame loop.
    void Start();

    // The show's render targets for a w x h window, in the order the show
    // makes them at start.
    void CreateRenderTargets(int32_t w, int32_t h);
    // One frame of the show: input, every part, overlay, swap.
    void RunFrame();
    // Input of one frame: mouse, frame time, events, free camera.
    void PollInput();
    // One frame of the start-up dialog: hit test, clicks, drawing.
    void DrawMenu();
    void UpdateCamera();
    void DrawOverlay();
    // The dialog window is gone: the next poll sees the buttons as they
    // really are, not as the dialog left them.
    void ForgetDialogButtons() { buttons_unchecked = true; }
    // Writes the back buffer to "shots/<show time>.png" and prints its path.
    void SaveScreenshot();
    // The overlay's text sink: keeps the line and, in developer mode, draws it
    // under the previous one in the window's top-left corner.
    void DrawOverlayLine(std::string line);

private:
    void drawLine(const std::string& line, float r, float g, float b);
};

// Puts the GL state back to neutral after a part has drawn.
void ResetGLState();
