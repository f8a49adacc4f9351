#include "app/TDemoApp.h"

#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

void TDemoApp::PollInput()
{
    int x = 0, y = 0;
    uint32_t buttons = SDL_GetMouseState(&x, &y);
    if (buttons_unchecked) {
        stale_buttons = buttons & ~SDL_GetGlobalMouseState(nullptr, nullptr);
        buttons_unchecked = false;
    }
    stale_buttons &= buttons;  // once SDL sees a button up, it knows the truth again
    buttons &= ~stale_buttons;
    controls._mouse_x = x;
    controls._mouse_y = y;
    controls._mouse_fx = static_cast<float>(x) / static_cast<float>(window.width);
    controls._mouse_fy = static_cast<float>(y) / static_cast<float>(window.height);

    const int64_t now = platform::TicksNow();
    controls._dt = static_cast<float>(static_cast<double>(now - last_ticks) / 10'000'000.0);
    last_ticks = now;

    controls._button_left = (buttons & SDL_BUTTON_LMASK) != 0;
    controls._button_right = (buttons & SDL_BUTTON_RMASK) != 0;
    controls._button_middle = (buttons & SDL_BUTTON_MMASK) != 0;
    controls._wheel_step = 0.0f;
    controls._transport.clear();

    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) std::exit(0);
            break;
        case SDL_QUIT:
            // The close request of the only window arrives as a quit as well.
            std::exit(0);
        case SDL_KEYDOWN: {
            const int scancode = event.key.keysym.scancode;
            std::printf("KEY: %d\n", scancode);
            std::fflush(stdout);
            if (scancode >= 0 && scancode < TLiveControls::kKeyCount) controls._keys[scancode] = true;
            if (event.key.keysym.sym == SDLK_ESCAPE) std::exit(0);
            if (developer_mode) {
                if (auto key = TransportKeyFor(scancode, (event.key.keysym.mod & KMOD_SHIFT) != 0))
                    controls._transport.push_back(*key);
                if (scancode == SDL_SCANCODE_F12) screenshot_requested = true;
            }
            break;
        }
        case SDL_KEYUP: {
            const int scancode = event.key.keysym.scancode;
            if (scancode >= 0 && scancode < TLiveControls::kKeyCount) controls._keys[scancode] = false;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            // A press in this window: the button's state is SDL's own again.
            stale_buttons &= ~SDL_BUTTON(event.button.button);
            break;
        case SDL_MOUSEWHEEL:
            if (event.wheel.y > 0) {
                controls._wheel_step = 1.0f;
                controls._wheel = static_cast<float>(controls._wheel + 0.2);
            } else if (event.wheel.y < 0) {
                controls._wheel_step = -1.0f;
                controls._wheel = static_cast<float>(controls._wheel - 0.2);
            }
            break;
        default:
            break;
        }
    }
    UpdateCamera();
}
