#pragma once
// The one SDL window with its OpenGL context.
#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

struct TGLWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    SDL_Renderer* renderer = nullptr;  // created last; never drawn with
    int32_t width = 0;
    float aspect = 1.0f;
    int32_t height = 0;

    // Opens the window at (x, y) with a GL context current on it. Every failure
    // prints its line to standard output; the result says whether the window can
    // be drawn into, and `failure` names what went wrong.
    bool Init(int32_t x, int32_t y, int32_t w, int32_t h, bool fullscreen);
    std::string failure;
};
