#include "render/StrokeFont.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Where the pen put each character's first point, in cells from the start.
float firstX(const std::vector<StrokeStrip>& strips, size_t strip) { return strips.at(strip).front().x; }

struct Extent {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
    bool empty() const { return maxX < 0; }
};

// Grid points of one glyph, strip by strip.
std::vector<std::vector<std::pair<int, int>>> gridStrips(unsigned char c)
{
    std::vector<std::vector<std::pair<int, int>>> strips;
    const unsigned char* p = StrokeGlyph(c);
    while (*p != 0xFF) {
        strips.emplace_back();
        for (; *p != 0xFF; ++p) strips.back().push_back({*p >> 4, *p & 0x0F});
        ++p;
    }
    return strips;
}

Extent gridExtent(unsigned char c)
{
    Extent e;
    for (const auto& strip : gridStrips(c))
        for (auto [x, y] : strip) {
            e.minX = std::min(e.minX, x), e.maxX = std::max(e.maxX, x);
            e.minY = std::min(e.minY, y), e.maxY = std::max(e.maxY, y);
        }
    return e;
}

// Draws in window pixels (origin top-left, y down), as the dialog does.
void pixelSpace(int w, int h)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / static_cast<float>(w), 2.0f / static_cast<float>(h), 1.0f);
}

// Lit pixels of the back buffer, in window pixels with y down.
Extent litPixels(int w, int h)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Extent e;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rgba[(static_cast<size_t>(y) * w + x) * 4] > 128) {
                const int top = h - 1 - y;
                e.minX = std::min(e.minX, x), e.maxX = std::max(e.maxX, x);
                e.minY = std::min(e.minY, top), e.maxY = std::max(e.maxY, top);
            }
    return e;
}

}  // namespace

TEST(StrokeFont, NarrowLettersCloseUpTheirNeighbours)
{
    // i then l: the l rule comes after the i rule, so 0.7 wins.
    std::vector<StrokeStrip> il = LayoutStrokeText("il", 0, 0, 0, 1, 1);
    ASSERT_EQ(il.size(), 3u);  // stem and dot of i, stem of l
    EXPECT_FLOAT_EQ(firstX(il, 2), 0.7f + 6.0f / 16.0f);

    std::vector<StrokeStrip> lll = LayoutStrokeText("lll", 0, 0, 0, 1, 1);
    ASSERT_EQ(lll.size(), 3u);
    EXPECT_FLOAT_EQ(firstX(lll, 0), 6.0f / 16.0f);
    EXPECT_FLOAT_EQ(firstX(lll, 1), 0.4f + 6.0f / 16.0f);
    EXPECT_FLOAT_EQ(firstX(lll, 2), 0.8f + 6.0f / 16.0f);

    // A space draws nothing; after an i it stands at 0.67 and advances by 1.
    EXPECT_FLOAT_EQ(StrokeAdvance('i', ' '), 0.67f);
    std::vector<StrokeStrip> spaced = LayoutStrokeText("i  A", 0, 0, 0, 1, 1);
    ASSERT_EQ(spaced.size(), 4u);
    EXPECT_FLOAT_EQ(firstX(spaced, 2), 0.67f + 1.0f + 1.0f);

    // Position and scale: x + sx * (pen + gx / 16), y + sy * gy / 16.
    std::vector<StrokeStrip> moved = LayoutStrokeText("ll", 10, 20, 3, 2, 4);
    EXPECT_FLOAT_EQ(moved[1][0].x, 10 + 2 * (0.4f + 6.0f / 16.0f));
    EXPECT_FLOAT_EQ(moved[1][2].y, 20 + 4 * (14.0f / 16.0f));
    EXPECT_FLOAT_EQ(moved[1][2].z, 3);
}

TEST(StrokeFont, ControlAndHighBytesDrawTheSquareFrame)
{
    const unsigned char frame[] = {0x44, 0x22, 0xA4, 0xC2, 0xAA, 0xCC, 0x4A, 0x2C, 0x44, 0x22, 0xFF, 0xFF};
    for (int c : {0, 1, 9, 31, 127, 128, 200, 255})
        EXPECT_TRUE(std::equal(frame, frame + sizeof frame, StrokeGlyph(static_cast<unsigned char>(c)))) << c;

    // One strip for the frame, and the next character a whole cell further.
    std::vector<StrokeStrip> strips = LayoutStrokeText(std::string("\x01\xC3-", 3), 0, 0, 0, 1, 1);
    ASSERT_EQ(strips.size(), 3u);
    EXPECT_EQ(strips[0].size(), 10u);
    EXPECT_FLOAT_EQ(firstX(strips, 1), 1.0f + 4.0f / 16.0f);
    EXPECT_FLOAT_EQ(firstX(strips, 2), 2.0f + 2.0f / 16.0f);
}

TEST(StrokeFont, EveryGlyphKeepsToTheGridAndItsLetterClass)
{
    for (int c = 33; c <= 126; ++c) {
        SCOPED_TRACE(std::string("character '") + static_cast<char>(c) + "'");
        const auto strips = gridStrips(static_cast<unsigned char>(c));
        ASSERT_FALSE(strips.empty());
        for (const auto& strip : strips) EXPECT_GE(strip.size(), 3u);  // at least one triangle
        const Extent e = gridExtent(static_cast<unsigned char>(c));
        EXPECT_LE(e.maxX, 14);
        EXPECT_LE(e.maxY, c == '|' ? 15 : 14);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            EXPECT_EQ(e.minY, 0);
            EXPECT_EQ(e.maxY, 14);
        }
        if (c >= 'a' && c <= 'z') {
            EXPECT_EQ(e.minY, 0);  // no descenders
            const std::string tall = "bdfhklt", dotted = "ij";
            if (tall.find(static_cast<char>(c)) != std::string::npos)
                EXPECT_TRUE(e.maxY == 12 || e.maxY == 14);
            else if (dotted.find(static_cast<char>(c)) != std::string::npos)
                EXPECT_EQ(e.maxY, 14);
            else
                EXPECT_EQ(e.maxY, 10);
        }
    }
    EXPECT_EQ(gridStrips(' ').size(), 0u);
    EXPECT_EQ(gridExtent('|').maxY, 15);
}

TEST(StrokeFont, LeavesDepthTestOnBlendingOffAndSmoothingOn)
{
    TGLWindow& window = sharedTestWindow();
    pixelSpace(window.width, window.height);
    for (const char* text : {"", "Run"}) {
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glDisable(GL_POLYGON_SMOOTH);
        DrawStrokeText(text, 0, 0, 0, 1, 1, 1);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << '"' << text << '"';
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << '"' << text << '"';
        EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH)) << '"' << text << '"';
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
    }
    glDisable(GL_POLYGON_SMOOTH);
}

TEST(StrokeFont, ACellIsFourteenByTwentyUnitsWithGridYUp)
{
    TGLWindow& window = sharedTestWindow();
    pixelSpace(window.width, window.height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glTranslatef(20, 100, 0);
    // Scale 4: the A covers x 0..49 and stands 70 pixels above its baseline.
    DrawStrokeText("A", 0, 0, 0, 4, 4, 1);
    glDisable(GL_POLYGON_SMOOTH);
    const Extent lit = litPixels(window.width, window.height);
    ASSERT_FALSE(lit.empty());
    EXPECT_NEAR(lit.minX, 20, 1);
    EXPECT_NEAR(lit.maxX, 20 + 49, 1);
    EXPECT_NEAR(lit.minY, 100 - 70, 1);
    EXPECT_NEAR(lit.maxY, 100, 1);
}
