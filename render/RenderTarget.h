#pragma once
// An off-screen target for multi-pass rendering with antialiasing: a multisample
// framebuffer with three colour outputs and depth, and a single-sample resolve
// framebuffer backed by textures that later passes sample.
#include <GL/glew.h>

#include <cstdint>

struct TGLRenderTarget {
    GLuint colorBuffers[3] = {};
    GLuint depthBuffer = 0;
    GLuint drawFramebuffer = 0;
    GLuint resolveFramebuffer = 0;
    GLuint colorTextures[3] = {};
    GLuint depthTexture = 0;
    int32_t width = 0;
    int32_t height = 0;
    float aspect = 1.0f;

    void Create(int32_t w, int32_t h, int32_t samples);
    // Attaches colour textures 0..count-1 (at most 3) and the depth texture to the
    // resolve framebuffer; returns the completeness of the last check.
    GLenum AttachTextures(int32_t count);
    void BindForDrawing(int32_t count);
    void Resolve(int32_t count);
};
