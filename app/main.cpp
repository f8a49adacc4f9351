#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// The one application record, built before main and alive until the process ends.
static TDemoApp g_app;

// A show without a window or GL context cannot draw a single frame: say so and stop.
static void openWindowOrExit(int32_t x, int32_t y, int32_t w, int32_t h, bool fullscreen)
{
    if (g_app.window.Init(x, y, w, h, fullscreen)) return;
    std::printf("The show cannot start: %s.\n", g_app.window.failure.c_str());
    std::fflush(stdout);
    std::exit(1);
}

int main(int, char**)
{
    g_app.width = 1920;
    g_app.height = 1080;
    g_app.fullscreen = false;
    platform::HideConsole();

    openWindowOrExit(10, 40, g_app.width, g_app.height, g_app.fullscreen);
    // The part's storage is zeroed before it is built: members its
    // constructor leaves alone start at zero.
    void* storage = ::operator new(sizeof(Part_Dancers));
    std::memset(storage, 0, sizeof(Part_Dancers));
    g_app.parts.push_back(new (storage) Part_Dancers());
    g_app.Start();
    SDL_ShowCursor(0);
    while (g_app.running) g_app.RunFrame();
    return 0;
}
