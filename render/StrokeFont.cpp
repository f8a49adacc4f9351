#include "render/StrokeFont.h"

#include <GL/glew.h>

namespace {

constexpr unsigned char kEnd = 0xFF;

}  // namespace

const unsigned char* StrokeGlyph(unsigned char c)
{
    return StrokeFontGlyphs[c < 128 ? c : 0];
}

float StrokeAdvance(unsigned char c, int next)
{
    auto either = [&](char letter) { return c == static_cast<unsigned char>(letter) || next == letter; };
    // Later rules win.
    float advance = 1.0f;
    if (either('i')) advance = 0.67f;
    if (either('t')) advance = 0.7f;
    if (either('f')) advance = 0.75f;
    if (either('l')) advance = 0.7f;
    if (either('1')) advance = 0.7f;
    if (either('.')) advance = 0.7f;
    if (either(',')) advance = 0.7f;
    if (either(':')) advance = 0.7f;
    if (c == 'l' && next == 'l') advance = 0.4f;
    return advance;
}

std::vector<StrokeStrip> LayoutStrokeText(const std::string& text, float x, float y, float z, float sx, float sy)
{
    std::vector<StrokeStrip> strips;
    float pen = 0.0f;
    for (size_t k = 0; k < text.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        const int next = k + 1 < text.size() ? static_cast<unsigned char>(text[k + 1]) : -1;
        const unsigned char* point = StrokeGlyph(c);
        while (*point != kEnd) {
            StrokeStrip strip;
            for (; *point != kEnd; ++point) {
                const float gx = static_cast<float>(*point >> 4);
                const float gy = static_cast<float>(*point & 0x0F);
                strip.push_back({x + sx * (pen + gx / 16.0f), y + sy * (gy / 16.0f), z});
            }
            ++point;  // past the strip's end mark
            strips.push_back(std::move(strip));
        }
        pen += StrokeAdvance(c, next);
    }
    return strips;
}

void DrawStrokeText(std::string text, float x, float y, float z, float sx, float sy, float)
{
    glDisable(GL_DEPTH_TEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POLYGON_SMOOTH);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    // One cell: 14 units wide, 20 high, grid y pointing down in the caller's space.
    glScalef(14.0f, -20.0f, 20.0f);
    for (const StrokeStrip& strip : LayoutStrokeText(text, x, y, z, sx, sy)) {
        glBegin(GL_TRIANGLE_STRIP);
        for (const StrokeVertex& v : strip) glVertex3f(v.x, v.y, v.z);
        glEnd();
    }
    glPopMatrix();
    glDisable(GL_BLEND);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void MultPixelSpace(float w, float h)
{
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / w, 2.0f / h, 1.0f);
}
