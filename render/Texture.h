#pragma once
// One GL 2D texture that remembers the size and formats it was created with, so
// uploads re-specify the whole image in one call and size changes are noticed.
#include <GL/glew.h>

#include <cstdint>
#include <string>

struct TGLTexture {
    GLuint texture = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t internalFormat = 0;
    int32_t type = 0;
    int32_t format = 0;

    using CreateMode = void (TGLTexture::*)(int32_t, int32_t);

    // 8-bit RGB of the given size, linear, clamped; storage comes with Upload.
    void CreateRGB(int32_t w, int32_t h);
    // The 100 x 1 single-channel float strip (the size arguments are ignored).
    void CreateFloatStrip(int32_t w = 100, int32_t h = 1);
    // Re-specifies level 0 from `pixels`: width x height texels, rows first to last,
    // packed back to back whatever the row length.
    void Upload(const void* pixels);
    // Creates on first use, re-creates when the wanted size differs, else keeps.
    void EnsureSize(int32_t w, int32_t h, CreateMode create);
    // Makes the texture hold the picture in the file: RGB, top row first. A file
    // that cannot be read is reported and gives a 1 x 1 black texture.
    void LoadImage(std::string path);
};
