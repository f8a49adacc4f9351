#include "app/TGLWindow.h"
#include "platform/Video.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// Draws a triangle with the fixed-function pipeline in immediate mode and reads
// the pixel in its middle back from the window's back buffer.
Pixel drawImmediateTriangle(int width, int height)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    glFinish();
    glReadBuffer(GL_BACK);
    return readPixel(width / 2, height / 3);
}

}  // namespace

// The dialog and the show window are made by two calls on one record; the
// second call's size is what every other piece reads.
TEST(Window, SecondInitDescribesTheShowWindowAndDrawsInItsOwnContext)
{
    TGLWindow window;
    ASSERT_TRUE(window.Init(100, 100, 380, 210, false)) << window.failure;
    EXPECT_EQ(window.aspect, 380.0f / 210.0f);
    SDL_GL_DeleteContext(window.context);
    SDL_DestroyWindow(window.window);

    ASSERT_TRUE(window.Init(10, 40, 1920, 1080, false)) << window.failure;
    EXPECT_EQ(window.width, 1920);
    EXPECT_EQ(window.height, 1080);
    EXPECT_EQ(window.aspect, 1920.0f / 1080.0f);
    int w = 0, h = 0;
    SDL_GetWindowSize(window.window, &w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_STREQ(SDL_GetWindowTitle(window.window), "Quellin and Vessary by Nimbrel - 2023");

    // The renderer must not have left a context of its own current: all drawing
    // goes to the show's context, with the requested buffers.
    EXPECT_NE(window.renderer, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), window.context);
    GLint depthBits = 0, stencilBits = 0, samples = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_GE(depthBits, 24);
    EXPECT_GE(stencilBits, 8);
    EXPECT_EQ(samples, 4);

    const Pixel p = drawImmediateTriangle(1920, 1080);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.r, 0);
    SDL_GL_DeleteContext(window.context);
    SDL_DestroyWindow(window.window);
}

// The show draws with the fixed-function pipeline and immediate mode beside
// shaders and framebuffer objects, so the context must offer all of them.
TEST(Window, ContextOffersTheCompatibilityFeatures)
{
    TGLWindow& window = sharedTestWindow();
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(std::strstr(version, "Core Profile"), nullptr) << version;

    GLint major = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    EXPECT_GE(major, 3);
    EXPECT_NE(glGenFramebuffers, nullptr);
    EXPECT_NE(glBlitFramebuffer, nullptr);
    EXPECT_NE(glRenderbufferStorageMultisample, nullptr);
    EXPECT_NE(glDrawBuffers, nullptr);
    EXPECT_NE(glCreateProgram, nullptr);

    const Pixel p = drawImmediateTriangle(window.width, window.height);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(p.g, 255);
}

// An EGL context, as SDL makes on Wayland, on the console, or on its
// offscreen driver: GLEW finds no GLX display there and says so, yet every GL
// entry point is loaded, and EGL honours the profile the window asks for.
TEST(Window, AnEglContextStartsAndOffersTheFixedFunctionPipeline)
{
#ifdef _WIN32
    GTEST_SKIP() << "SDL on Windows makes WGL contexts only";
#endif
    if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "SDL chose its video driver already in this process";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    TGLWindow window;
    const bool started = window.Init(0, 0, 320, 240, false);
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_TRUE(started) << window.failure;
    EXPECT_EQ(platform::DescribeCurrentGLContext(), "EGL");
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    EXPECT_EQ(std::strstr(version, "Core Profile"), nullptr) << version;
    const Pixel p = drawImmediateTriangle(320, 240);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(p.g, 255);
    SDL_GL_DeleteContext(window.context);
    SDL_DestroyWindow(window.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
