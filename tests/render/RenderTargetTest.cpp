// Render targets on the real GL: draw buffer selection, resolve into textures,
// with and without multisampling.
#include "render/RenderTarget.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;

struct RenderTarget : testing::Test {
    void SetUp() override
    {
        sharedTestWindow();
        while (glGetError() != GL_NO_ERROR) {}
    }
    void TearDown() override
    {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
};

std::vector<GLint> drawBuffersOf(GLuint framebuffer)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    std::vector<GLint> buffers(3, -1);
    for (int i = 0; i < 3; ++i) glGetIntegerv(GL_DRAW_BUFFER0 + i, &buffers[static_cast<size_t>(i)]);
    return buffers;
}

std::vector<unsigned char> readColour(GLuint texture, int w, int h)
{
    std::vector<unsigned char> texels(static_cast<size_t>(w * h * 4));
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::vector<float> readDepth(GLuint texture, int w, int h)
{
    std::vector<float> depth(static_cast<size_t>(w * h), -1.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    return depth;
}

// Fills the multisample colour attachments 0..2 with red, green and blue, and
// the resolve textures with grey, so each copy can be seen.
void fillDistinctly(TGLRenderTarget& target)
{
    const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat depthHalf = 0.5f, depthOne = 1.0f;
    target.AttachTextures(3);
    const GLenum all[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    glDrawBuffers(3, all);
    for (int i = 0; i < 3; ++i) glClearBufferfv(GL_COLOR, i, grey);
    glClearBufferfv(GL_DEPTH, 0, &depthOne);

    target.BindForDrawing(3);
    const GLfloat colours[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 3; ++i) glClearBufferfv(GL_COLOR, i, colours[i]);
    glClearBufferfv(GL_DEPTH, 0, &depthHalf);
}

// The first texel of each resolve colour texture, as "r", "g", "b" or "grey".
std::vector<std::string> resolvedColours(const TGLRenderTarget& target)
{
    std::vector<std::string> names;
    for (GLuint texture : target.colorTextures) {
        const std::vector<unsigned char> t = readColour(texture, target.width, target.height);
        names.push_back(t[0] == 255 ? "r" : t[1] == 255 ? "g" : t[2] == 255 ? "b" : t[0] > 100 ? "grey" : "?");
    }
    return names;
}

TEST_F(RenderTarget, QuarterOfTheWindowSizesEveryBufferAndTexture)
{
    TGLRenderTarget target;
    target.Create(1366 / 4, 768 / 4, 4);
    EXPECT_EQ(target.width, 341);
    EXPECT_EQ(target.height, 192);
    EXPECT_FLOAT_EQ(target.aspect, 341.0f / 192.0f);

    for (GLuint buffer : {target.colorBuffers[0], target.colorBuffers[1], target.colorBuffers[2], target.depthBuffer}) {
        GLint w = 0, h = 0, samples = 0;
        glBindRenderbuffer(GL_RENDERBUFFER, buffer);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &w);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &h);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
        EXPECT_EQ(w, 341);
        EXPECT_EQ(h, 192);
        EXPECT_EQ(samples, 4);
    }
    for (GLuint texture : {target.colorTextures[0], target.colorTextures[1], target.colorTextures[2], target.depthTexture}) {
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, 341);
        EXPECT_EQ(h, 192);
    }
    GLint resolveBound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &resolveBound);
    EXPECT_EQ(static_cast<GLuint>(resolveBound), target.resolveFramebuffer);
    EXPECT_EQ(target.AttachTextures(3), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
}

TEST_F(RenderTarget, BindForDrawingSelectsOneToThreeOutputs)
{
    TGLRenderTarget target;
    target.Create(kSize, kSize, 4);
    const std::vector<GLint> one = {GL_COLOR_ATTACHMENT0, GL_NONE, GL_NONE};
    const std::vector<GLint> two = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_NONE};
    const std::vector<GLint> three = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    const struct {
        int count;
        const std::vector<GLint>& buffers;
    } cases[] = {{-2, one}, {0, one}, {1, one}, {2, two}, {3, three}, {5, three}};
    for (const auto& c : cases) {
        target.BindForDrawing(c.count);
        GLint bound = 0;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), target.drawFramebuffer);
        EXPECT_EQ(drawBuffersOf(target.drawFramebuffer), c.buffers) << "count " << c.count;
    }
}

TEST_F(RenderTarget, ResolveCopiesOneToThreeOutputsAndTheDepth)
{
    TGLRenderTarget target;
    target.Create(kSize, kSize, 4);
    const struct {
        int count;
        GLint lastDrawBuffer;
        std::vector<std::string> colours;
    } cases[] = {
        {0, GL_COLOR_ATTACHMENT0, {"r", "grey", "grey"}},
        {1, GL_COLOR_ATTACHMENT0, {"r", "grey", "grey"}},
        {2, GL_COLOR_ATTACHMENT1, {"r", "g", "grey"}},
        {7, GL_COLOR_ATTACHMENT2, {"r", "g", "b"}},
    };
    for (const auto& c : cases) {
        fillDistinctly(target);
        target.Resolve(c.count);
        GLint read = 0, draw = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
        EXPECT_EQ(static_cast<GLuint>(read), target.drawFramebuffer);
        EXPECT_EQ(static_cast<GLuint>(draw), target.resolveFramebuffer);
        GLint drawBuffer = 0;
        glGetIntegerv(GL_DRAW_BUFFER0, &drawBuffer);
        EXPECT_EQ(drawBuffer, c.lastDrawBuffer) << "count " << c.count;

        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(resolvedColours(target), c.colours) << "count " << c.count;
        EXPECT_NEAR(readDepth(target.depthTexture, kSize, kSize)[0], 0.5f, 1e-4f) << "count " << c.count;
    }
}

// Draws a green triangle over the lower left half at depth 0.5 (z = 0), resolves,
// and returns how many texels along its edge are only partly covered.
int drawTriangleAndResolve(TGLRenderTarget& target)
{
    target.BindForDrawing(1);
    glViewport(0, 0, target.width, target.height);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glColor3f(0, 1, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(-1, 1, 0.0f);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    target.Resolve(1);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    const int w = target.width, h = target.height;
    const std::vector<unsigned char> colour = readColour(target.colorTextures[0], w, h);
    const std::vector<float> depth = readDepth(target.depthTexture, w, h);
    auto green = [&](int x, int y) { return colour[static_cast<size_t>((y * w + x) * 4 + 1)]; };
    auto depthAt = [&](int x, int y) { return depth[static_cast<size_t>(y * w + x)]; };

    // Well inside (lower left) and well outside (upper right); row 0 is the bottom.
    EXPECT_EQ(green(4, 4), 255);
    EXPECT_EQ(colour[static_cast<size_t>((4 * w + 4) * 4 + 0)], 0);
    EXPECT_NEAR(depthAt(4, 4), 0.5f, 1e-3f);
    EXPECT_EQ(green(w - 4, h - 4), 0);
    EXPECT_NEAR(depthAt(w - 4, h - 4), 1.0f, 1e-6f);

    int partial = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (green(x, y) > 0 && green(x, y) < 255) ++partial;
    return partial;
}

TEST_F(RenderTarget, MultisampledTriangleResolvesIntoColourAndDepth)
{
    TGLRenderTarget target;
    target.Create(kSize, kSize, 4);
    // The diagonal edge is antialiased: its texels hold blends.
    EXPECT_GT(drawTriangleAndResolve(target), kSize / 2);
}

TEST_F(RenderTarget, SingleSampleTargetWorksThroughTheSamePath)
{
    TGLRenderTarget target;
    target.Create(kSize, kSize, 0);
    GLint samples = -1;
    glBindRenderbuffer(GL_RENDERBUFFER, target.colorBuffers[0]);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_EQ(samples, 0);
    // Plain copies: every texel is either covered or not.
    EXPECT_EQ(drawTriangleAndResolve(target), 0);
}

}  // namespace
