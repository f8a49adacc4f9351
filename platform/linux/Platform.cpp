#include "platform/Platform.h"

#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace platform {

void HideConsole() {}
void ShowConsole() {}
void EnterProgramFolderIfNeeded() {}

Rect DesktopRect()
{
    Rect rect;
    if (!StartVideo().ok) return rect;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) {
        rect.left = bounds.x;
        rect.top = bounds.y;
        rect.right = bounds.x + bounds.w;
        rect.bottom = bounds.y + bounds.h;
    }
    return rect;
}

int64_t TicksNow()
{
    using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
    return std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Sleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    // rename() replaces the target in one step on POSIX systems.
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace platform
