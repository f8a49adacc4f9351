#pragma once
// One real window with the show's GL context per test process, for the tests
// that need OpenGL (Mesa under the Xvfb that test.sh provides).
#include "app/TGLWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

inline TGLWindow& sharedTestWindow(int32_t width = 640, int32_t height = 480)
{
    static TGLWindow window;
    static const bool ok = window.Init(0, 0, width, height, false);
    EXPECT_TRUE(ok) << "no window: " << window.failure;
    if (ok) SDL_GL_MakeCurrent(window.window, window.context);
    return window;
}

// Reads one RGBA pixel of the currently bound read framebuffer.
struct Pixel {
    unsigned char r, g, b, a;
};
inline Pixel readPixel(int x, int y)
{
    Pixel p{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
}
