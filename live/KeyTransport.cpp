#include "live/KeyTransport.h"

#include <SDL2/SDL_scancode.h>

#include <algorithm>

namespace {

// Page Up this soon after a window's start means the window before.
constexpr float kBackGrace = 0.5f;

}  // namespace

std::optional<TransportKey> TransportKeyFor(int scancode, bool shift)
{
    const float step = shift ? 10.0f : 1.0f;
    switch (scancode) {
    case SDL_SCANCODE_SPACE: return TransportKey{TransportMove::TogglePause};
    case SDL_SCANCODE_LEFT: return TransportKey{TransportMove::Scrub, -step};
    case SDL_SCANCODE_RIGHT: return TransportKey{TransportMove::Scrub, step};
    case SDL_SCANCODE_PAGEUP: return TransportKey{TransportMove::PreviousWindow};
    case SDL_SCANCODE_PAGEDOWN: return TransportKey{TransportMove::NextWindow};
    case SDL_SCANCODE_HOME: return TransportKey{TransportMove::Home};
    default: return std::nullopt;
    }
}

float ApplyTransportKey(const TransportKey& key, float time, std::span<const TimelineWindow> windows, float end,
                        bool& paused)
{
    float to = time;
    switch (key.move) {
    case TransportMove::TogglePause: paused = !paused; return time;
    case TransportMove::Scrub: to = time + key.seconds; break;
    case TransportMove::Home: to = 0.0f; break;
    case TransportMove::PreviousWindow:
        to = 0.0f;
        for (const TimelineWindow& w : windows)
            if (w.start < time - kBackGrace) to = w.start;
        break;
    case TransportMove::NextWindow:
        for (const TimelineWindow& w : windows)
            if (w.start > time) {
                to = w.start;
                break;
            }
        break;
    }
    return std::clamp(to, 0.0f, end);
}
