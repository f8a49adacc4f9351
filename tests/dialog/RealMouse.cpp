#include "tests/dialog/RealMouse.h"

// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <functional>

namespace {

Display* x11(void* display) { return static_cast<Display*>(display); }

void waitFor(const std::function<bool()>& arrived, const char* what)
{
    for (int i = 0; i < 2000; ++i) {
        SDL_PumpEvents();
        if (arrived()) return;
        SDL_Delay(1);
    }
    ADD_FAILURE() << "timed out waiting for " << what;
}

}  // namespace

RealMouse::RealMouse(SDL_Window* window) : display_(XOpenDisplay(nullptr))
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) window_ = info.info.x11.window;
}

RealMouse::~RealMouse()
{
    if (display_) XCloseDisplay(x11(display_));
}

void RealMouse::moveTo(int x, int y)
{
    XWarpPointer(x11(display_), None, window_, 0, 0, 0, 0, x, y);
    XSync(x11(display_), False);
    waitFor([&] {
        int mx = -1, my = -1;
        SDL_GetMouseState(&mx, &my);
        return mx == x && my == y;
    }, "the pointer to arrive");
}

void RealMouse::press() { button(true); }
void RealMouse::release() { button(false); }

void RealMouse::button(bool down)
{
    XTestFakeButtonEvent(x11(display_), 1, down ? True : False, CurrentTime);
    XSync(x11(display_), False);
    waitFor([down] { return ((SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0) == down; },
            down ? "the button to go down" : "the button to come up");
}

void RealMouse::quickClick()
{
    XTestFakeButtonEvent(x11(display_), 1, True, CurrentTime);
    XTestFakeButtonEvent(x11(display_), 1, False, CurrentTime);
    XSync(x11(display_), False);
    waitFor([] { return SDL_HasEvent(SDL_MOUSEBUTTONUP) == SDL_TRUE; }, "the click to arrive");
}
