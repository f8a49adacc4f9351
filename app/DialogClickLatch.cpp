#include "app/DialogClickLatch.h"

DialogClickLatch::DialogClickLatch()
{
    SDL_AddEventWatch(&DialogClickLatch::watch, this);
}

DialogClickLatch::~DialogClickLatch()
{
    SDL_DelEventWatch(&DialogClickLatch::watch, this);
}

int DialogClickLatch::watch(void* self, SDL_Event* event)
{
    // Runs on the thread that pumps events, the main thread.
    if (event->type == SDL_MOUSEBUTTONDOWN && event->button.button == SDL_BUTTON_LEFT) {
        DialogClickLatch* latch = static_cast<DialogClickLatch*>(self);
        latch->pressed_ = true;
        latch->x_ = event->button.x;
        latch->y_ = event->button.y;
    }
    return 1;
}

void DialogClickLatch::apply(TLiveControls& controls)
{
    if (!pressed_) return;
    controls._button_left = true;
    controls._mouse_x = x_;
    controls._mouse_y = y_;
    pressed_ = false;
}
