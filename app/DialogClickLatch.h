#pragma once
// The input poll samples the mouse buttons once per frame, and a dialog frame
// lasts over 30 ms: a quick click (a touchpad tap, a synthetic click) can go
// down and up between two samples and never be seen. The latch watches SDL's
// event stream for left-button presses and makes the frame after one see the
// button held, at the place where it went down (the poll's position sample
// predates the events it drains).
#include "app/TDemoApp.h"

#include <SDL2/SDL.h>

class DialogClickLatch {
public:
    DialogClickLatch();
    ~DialogClickLatch();
    DialogClickLatch(const DialogClickLatch&) = delete;
    DialogClickLatch& operator=(const DialogClickLatch&) = delete;

    // Call after PollInput: if the left button was pressed since the previous
    // call, marks it held and puts the mouse where the press happened.
    void apply(TLiveControls& controls);

private:
    static int watch(void* self, SDL_Event* event);
    bool pressed_ = false;
    int32_t x_ = 0, y_ = 0;
};
