#include "platform/Video.h"

#include <SDL2/SDL.h>
#include <windows.h>

namespace platform {

// SDL has one video driver on Windows; there is nothing to choose.
VideoStart StartVideo()
{
    return {SDL_Init(SDL_INIT_VIDEO) == 0, SDL_GetError()};
}

std::string DescribeCurrentGLContext()
{
    return wglGetCurrentContext() ? "WGL" : "none";
}

}  // namespace platform
