#pragma once
// Drives the X server's own pointer (XTest), so SDL sees real mouse events and
// a real button state, exactly as from a viewer's mouse. Xlib's macros stay in
// the .cpp.
#include <SDL2/SDL.h>

class RealMouse {
public:
    explicit RealMouse(SDL_Window* window);
    ~RealMouse();
    RealMouse(const RealMouse&) = delete;
    RealMouse& operator=(const RealMouse&) = delete;

    bool ready() const { return display_ && window_; }

    // Puts the pointer at window pixel (x, y) and waits until SDL has seen it.
    void moveTo(int x, int y);
    // The left button down or up; waits until SDL's button state shows it.
    void press();
    void release();
    // Down and up with no frame between them, as a touchpad tap; waits until
    // both events are in SDL's queue.
    void quickClick();

private:
    void button(bool down);

    void* display_ = nullptr;
    unsigned long window_ = 0;
};
