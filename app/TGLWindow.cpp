#include "app/TGLWindow.h"

#include "platform/Video.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kWho = "TGLWindow::Init";

void logLine(const char* format, const char* detail)
{
    std::printf(format, kWho, detail);
    std::fflush(stdout);
}

// SDL's drivers that open no window anyone sees; fine when asked for by name.
bool invisibleDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// GLEW's own text, and what it leaves out: its table has no text for the
// codes past GLX 1.2 ("Unknown error"), nor says which context it looked at.
std::string glewFailure(GLenum code)
{
    std::string text = reinterpret_cast<const char*>(glewGetErrorString(code));
    text += " (GLEW error " + std::to_string(code);
    if (code == GLEW_ERROR_NO_GLX_DISPLAY) text += ": no GLX display is current";
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* driver = SDL_GetCurrentVideoDriver();
    text += "; SDL video driver " + std::string(driver ? driver : "none") + ", current context " +
            platform::DescribeCurrentGLContext() + ", GL_VERSION " + (version ? version : "none") + ")";
    return text;
}

}  // namespace

bool TGLWindow::Init(int32_t x, int32_t y, int32_t w, int32_t h, bool fullscreen)
{
    failure.clear();
    const platform::VideoStart video = platform::StartVideo();
    if (!video.ok) {
        logLine("%s - SDL could not initialize! SDL Error: %s\n", SDL_GetError());
        failure = video.why.empty() ? "the video system could not be initialised" : video.why;
        return false;
    }
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (const char* driver = SDL_GetCurrentVideoDriver(); invisibleDriver(driver) && !(asked && *asked)) {
        logLine("%s - No display to open a window on! SDL found only its %s video driver\n", driver);
        failure = std::string("there is no display to show a window on (DISPLAY and WAYLAND_DISPLAY are unset or "
                              "unreachable; SDL found only its ") + driver + " driver)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    width = w;
    height = h;
    aspect = static_cast<float>(w) / static_cast<float>(h);

    // The show draws with the fixed-function pipeline and immediate mode beside
    // shaders: version 3.0 has no profiles, so every driver gives all of it,
    // and EGL (Wayland, the console), which honours a profile request where
    // GLX ignores it below 3.2, is asked for the compatibility profile.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
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

    // GLEW loads the GL entry points first and looks for GLX after: a context
    // from EGL has none, which GLEW reports as a failure although every GL
    // entry point is there.
    const GLenum glewResult = glewInit();
    const bool eglContext = glewResult == GLEW_ERROR_NO_GLX_DISPLAY && glGetString(GL_VERSION) != nullptr;
    if (glewResult != GLEW_OK && !eglContext) {
        logLine("%s - Error initializing GLEW! %s\n", glewFailure(glewResult).c_str());
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
