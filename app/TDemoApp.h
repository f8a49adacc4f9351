#pragma once
// The one application record: chosen resolution and mode, window, part list,
// controls block, camera, controller, dialog, render targets, loop state.
#include "app/StartupMenu.h"
#include "app/TGLWindow.h"
#include "live/FreeCam.h"
#include "live/NanoKONTROL2.h"
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
    // Set when the dialog's title was held long enough to unlock the console:
    // the overlay is drawn on the show only then.
    bool developer_mode = false;
    // The overlay's lines of the latest frame, in order.
    std::vector<std::string> overlay_lines;

    TGLRenderTarget& sceneTarget() { return renderTargets[kFullMultisample]; }

    // Reads the camera file, creates the render targets, starts the controller
    // and loads every part; run once between the dialog and the frame loop.
    void Start();
    // One frame of the show: input, every part, overlay, swap.
    void RunFrame();
    // Input of one frame: mouse, frame time, events, free camera.
    void PollInput();
    // One frame of the start-up dialog: hit test, clicks, drawing.
    void DrawMenu();
    void UpdateCamera();
    void DrawOverlay();
    // The overlay's text sink: keeps the line and, in developer mode, draws it
    // under the previous one in the window's top-left corner.
    void DrawOverlayLine(std::string line);
};

// Puts the GL state back to neutral after a part has drawn.
void ResetGLState();
