// Renders the printable set at dialog size and at four times that into a PNG
// beside the build (stroke-font.png) for people to look at, and checks that
// every character draws inside its own cell.
#include "render/StrokeFont.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 16;
constexpr int kSheetWidth = 1060, kSheetHeight = 940;

struct Cell {
    int x, y, w, h;  // window pixels, y down; the baseline is y + h * 4 / 5
};

Cell cellOf(int index, float scale, int top)
{
    const int w = static_cast<int>(16 * scale), h = static_cast<int>(25 * scale);
    return {10 + (index % kColumns) * w, top + (index / kColumns) * h, w, h};
}

void drawAt(const std::string& text, float x, float baseline, float scale)
{
    glPushMatrix();
    glTranslatef(x, baseline, 0);
    DrawStrokeText(text, 0, 0, 0, scale, scale, 1);
    glPopMatrix();
}

}  // namespace

TEST(FontSheet, EveryPrintableCharacterDrawsInsideItsCell)
{
    sharedTestWindow();
    GLuint framebuffer = 0, colour = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSheetWidth, kSheetHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    glViewport(0, 0, kSheetWidth, kSheetHeight);
    glClearColor(0.02f, 0.02f, 0.05f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1, -1, 1);
    glTranslatef(-1, -1, 0);
    glScalef(2.0f / kSheetWidth, 2.0f / kSheetHeight, 1);
    glColor3f(1, 1, 1);

    const std::vector<std::pair<float, int>> sizes = {{1.0f, 10}, {4.0f, 320}};
    for (auto [scale, top] : sizes)
        for (int c = 32; c <= 126; ++c) {
            const Cell cell = cellOf(c - 32, scale, top);
            drawAt(std::string(1, static_cast<char>(c)), static_cast<float>(cell.x),
                   static_cast<float>(cell.y + cell.h * 4 / 5), scale);
        }
    // Running text at dialog size, as the dialog and the overlay set it.
    const char* lines[] = {" +  Quellin and Vessary  +", " >       2560 x 1440   >        Windowed",
                           "The quick brown fox jumps over the lazy dog; tilt, fill, gift!",
                           "FPS: 60.00  ttime: 12.345  NANO: 16 => 127  _k0: => 1.000  {[(<|>)]} #$%&*@"};
    float baseline = 190;
    for (const char* line : lines) {
        drawAt(line, 10, baseline, 1.0f);
        baseline += 28;
    }
    glDisable(GL_POLYGON_SMOOTH);

    cv::Mat rgba(kSheetHeight, kSheetWidth, CV_8UC4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSheetWidth, kSheetHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    cv::Mat sheet;
    cv::flip(rgba, rgba, 0);
    cv::cvtColor(rgba, sheet, cv::COLOR_RGBA2BGR);

    for (auto [scale, top] : sizes)
        for (int c = 33; c <= 126; ++c) {
            const Cell cell = cellOf(c - 32, scale, top);
            cv::Mat grey;
            cv::cvtColor(sheet(cv::Rect(cell.x, cell.y, cell.w, cell.h)), grey, cv::COLOR_BGR2GRAY);
            EXPECT_GT(cv::countNonZero(grey > 128), 0) << "'" << static_cast<char>(c) << "' at scale " << scale;
        }

    const char* buildDir = std::getenv("QUELLIN_BUILD_DIR");
    const std::string path = std::string(buildDir ? buildDir : ".") + "/stroke-font.png";
    EXPECT_TRUE(cv::imwrite(path, sheet)) << path;
}
