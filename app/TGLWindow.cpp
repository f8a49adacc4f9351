#include "app/TGLWindow.h"

#include <GL/glew.h>

#include <cstdio>

namespace {

const char* const kWho = "TGLWindow::Init";

void logLine(const char* format, const char* detail)
{
    std::printf(format, kWho, detail);
    std::fflush(stdout);
}

}  // namespace

bool TGLWindow::Init(int32_t x, int32_t y, int32_t w, int32_t h, bool fullscreen)
{
    failure.clear();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        logLine("%s - SDL could not initialize! SDL Error: %s\n", SDL_GetError());
        failure = "the video system could not be initialised";
        return false;
    }
    width = w;
    height = h;
    aspect = static_cast<float>(w) / static_cast<float>(h);

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 4);

    window = SDL_CreateWindow("Rendering", x, y, width, height, SDL_WINDOW_OPENGL);
    if (!window) {
        logLine("%s - Window could not be created! SDL Error: %s\n", SDL_GetError());
        failure = "the window could not be created";
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        logLine("%s - OpenGL context could not be created! SDL Error: %s\n", SDL_GetError());
        failure = "no OpenGL context could be created";
        return false;
    }
    glewExperimental = GL_TRUE;
    if (fullscreen) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);

    const GLenum glewResult = glewInit();
    if (glewResult != GLEW_OK) {
        logLine("%s - Error initializing GLEW! %s\n",
                reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
        failure = "the OpenGL entry points could not be loaded";
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(1);
    SDL_SetWindowTitle(window, "Quellin and Vessary by Nimbrel - 2023");

    // The renderer is never drawn with. SDL's accelerated renderers would bring a
    // GL context of their own, so ask for the software one, and make sure the
    // show's context is the current one whatever the renderer did.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // Without this the software renderer backs its window surface with an
    // accelerated renderer, which re-creates the window to get a GL context of
    // its own liking.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer = SDL_CreateRenderer(window, -1, 0);
    SDL_GL_MakeCurrent(window, context);
    return true;
}
