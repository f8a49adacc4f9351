#include "render/Texture.h"

#include "render/ImageFile.h"

#include <cstdio>

namespace {

void setSampling(GLint filter)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

}  // namespace

void TGLTexture::CreateRGB(int32_t w, int32_t h)
{
    width = w;
    height = h;
    internalFormat = 3;
    format = GL_RGB;
    type = GL_UNSIGNED_BYTE;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setSampling(GL_LINEAR);
}

void TGLTexture::CreateFloatStrip(int32_t, int32_t)
{
    width = 100;
    height = 1;
    internalFormat = GL_R32F;
    format = GL_RED;
    type = GL_FLOAT;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setSampling(GL_NEAREST);
}

void TGLTexture::Upload(const void* pixels)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    setSampling(GL_LINEAR);
    // Rows are packed back to back; with the GL's default alignment of 4 an RGB
    // row of odd width would be read past its end. The caller's setting is kept.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void TGLTexture::EnsureSize(int32_t w, int32_t h, CreateMode create)
{
    if (width == 0 && height == 0) {
        (this->*create)(w, h);
    } else if (w != width || h != height) {
        glDeleteTextures(1, &texture);
        (this->*create)(w, h);
    }
}

void TGLTexture::LoadImage(std::string path)
{
    RgbImage image;
    std::string why;
    if (!ReadRgbImage(path, image, why)) {
        std::printf("TGLTexture::LoadImage() : cannot read the picture %s\n", path.c_str());
        std::fflush(stdout);
        // Shaders sampling the picture then see black instead of garbage.
        const unsigned char black[3] = {0, 0, 0};
        EnsureSize(1, 1, &TGLTexture::CreateRGB);
        Upload(black);
        return;
    }
    EnsureSize(image.width, image.height, &TGLTexture::CreateRGB);
    Upload(image.pixels.data());
}
