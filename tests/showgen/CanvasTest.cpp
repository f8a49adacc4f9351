// The generator's raster: Hershey lettering where the font puts it, and a
// blur that spreads light without adding or losing any.
#include "tools/showgen/Canvas.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using showgen::Canvas;
using showgen::HersheyFont;

// The inked box of a grey canvas: columns and rows with any value above `floor`.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Box inked(const Canvas& c, float floor = 0.5f)
{
    Box box;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y) > floor) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

TEST(Canvas, HersheyLettersStandOnTheBaselineAtTheFontsHeightAndAdvanceAsMeasured)
{
    // The simplex capitals run from 21 font units above the baseline down to it.
    Canvas c(200, 120, 1);
    drawHersheyText(c, HersheyFont::Simplex, "I", 50.0f, 100.0f, 4.0f, 2.0f, {1, 1, 1});
    const Box i = inked(c);
    EXPECT_NEAR(i.top, 100 - 21 * 4, 2);
    EXPECT_NEAR(i.bottom, 100, 2);
    EXPECT_LE(i.right - i.left, 3) << "one upright stroke";

    // A word's ink lies within the advance the font gives it, and every
    // glyph of both fonts is there (a lost record shifts or drops letters).
    for (const HersheyFont font : {HersheyFont::Simplex, HersheyFont::TriplexItalic}) {
        Canvas word(900, 120, 1);
        const std::string text = "NIMBREL 2023 Quellin ~";
        const float advance = hersheyAdvance(font, text, 2.0f);
        drawHersheyText(word, font, text, 20.0f, 90.0f, 2.0f, 2.0f, {1, 1, 1});
        const Box box = inked(word);
        EXPECT_GE(box.left, 20 - 4);
        EXPECT_LE(box.right, 20 + advance + 4);
        EXPECT_GT(box.right - box.left, advance * 0.85f);
        EXPECT_GT(hersheyAdvance(font, "~", 2.0f), 0.0f);
    }
}

TEST(Canvas, BlurSpreadsAPointEvenlyAndKeepsItsLight)
{
    Canvas c(41, 41, 3);
    c.at(20, 20, 1) = 1.0f;
    const Canvas b = c.blurred(3.0f);
    float sum = 0.0f;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            sum += b.at(x, y, 1);
            EXPECT_EQ(b.at(x, y, 0), 0.0f) << "other channels stay dark";
        }
    EXPECT_NEAR(sum, 1.0f, 1e-3f);
    EXPECT_NEAR(b.at(20, 20, 1), 1.0f / (2 * 3.14159265f * 9.0f), 2e-3f);
    EXPECT_FLOAT_EQ(b.at(17, 20, 1), b.at(20, 23, 1)) << "the same across and down";
    EXPECT_LT(b.at(20, 29, 1), b.at(20, 23, 1));
}

}  // namespace
