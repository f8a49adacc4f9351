#include "platform/Video.h"

#include <GL/glx.h>
#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {

namespace {
constexpr int kVideoPatience = 6;  // seconds
}  // namespace

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

std::string DescribeCurrentGLContext()
{
    if (glXGetCurrentContext()) {
        Display* display = glXGetCurrentDisplay();
        return std::string("GLX on ") + (display ? DisplayString(display) : "no display");
    }
    // EGL counts only if some library of the process loaded it.
    if (void* egl = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
        using CurrentContext = void* (*)();
        const auto current = reinterpret_cast<CurrentContext>(dlsym(egl, "eglGetCurrentContext"));
        const bool made = current && current();
        dlclose(egl);
        if (made) return "EGL";
    }
    return "none";
}

}  // namespace platform
