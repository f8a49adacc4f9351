#include "platform/Platform.h"

#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace platform {

namespace {
constexpr int kVideoPatience = 6;  // seconds
}  // namespace

void HideConsole() {}
void ShowConsole() {}
bool ConsoleIsOwn() { return false; }
bool ShowViewerMessage(const std::string&, const std::string&) { return false; }
void EnterProgramFolderIfNeeded() {}

VideoStart StartVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return {SDL_InitSubSystem(SDL_INIT_VIDEO) == 0, SDL_GetError()};
    // Left to itself, SDL takes the next driver it finds when the X server
    // refuses a connection, as a busy one does now and then: Wayland, the
    // console, or an offscreen EGL surface whose window nobody sees. Where
    // DISPLAY names an X server and nobody picked a driver, X is asked for by
    // name and asked again for a while.
    const char* display = std::getenv("DISPLAY");
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((asked && *asked) || !display || !*display)
        return {SDL_Init(SDL_INIT_VIDEO) == 0, SDL_GetError()};
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    // One span of 6 s for the whole process (a busy X server refuses in bursts
    // of a second or more); a display that never answered is not waited for
    // again.
    static const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(kVideoPatience);
    std::chrono::milliseconds pause(25);
    while (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (std::chrono::steady_clock::now() + pause > giveUp)
            return {false, std::string("the X display ") + display + " did not answer within " +
                               std::to_string(kVideoPatience) + " s"};
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(400));
    }
    return {true, {}};
}

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
