// One show window opened as the player opens it, in a process of its own, as
// each test and each start of the player does; or, with --churn SECONDS,
// another X client opening and closing connections to the same display
// without pause, which makes the X server drop a connection now and then.
#include "app/TGLWindow.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--churn") == 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::atof(argv[2]));
        while (std::chrono::steady_clock::now() < end)
            if (Display* display = XOpenDisplay(nullptr)) XCloseDisplay(display);
        return 0;
    }
    TGLWindow window;
    if (!window.Init(0, 0, 320, 240, false)) {
        std::printf("FAILED: %s\n", window.failure.c_str());
        return 1;
    }
    return 0;
}
