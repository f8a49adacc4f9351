#pragma once
// What opening a window with an OpenGL context needs of the system.
#include <string>

namespace platform {

struct VideoStart {
    bool ok = false;
    std::string why;  // what failed, in words, when not ok
};

// Starts SDL's video subsystem on the system's window system (the first call
// picks the driver; later ones only count, as SDL_Init does).
VideoStart StartVideo();

// Which interface made the current OpenGL context and for which display, in
// words ("GLX on :0", "EGL", "none"), for the messages of a failed start.
std::string DescribeCurrentGLContext();

}  // namespace platform
