#include "tools/showgen/TitleCard.h"

#include <algorithm>
#include <cmath>

namespace showgen {

namespace {

// Draws text centred on x with extra space between the letters; each letter
// takes its advance plus the stroke's thickness.
void putSpaced(Canvas& mask, const std::string& text, float centreX, float baseline, HersheyFont font, float scale,
               float thickness, float tracking, float grey)
{
    const auto advance = [&](char c) { return hersheyAdvance(font, std::string(1, c), scale) + thickness + tracking; };
    float width = -tracking;
    for (const char c : text) width += advance(c);
    float x = centreX - width / 2;
    for (const char c : text) {
        drawHersheyText(mask, font, std::string(1, c), x + thickness / 2, baseline, scale, thickness + 2.0f,
                        {grey, grey, grey});
        x += advance(c);
    }
}

}  // namespace

Canvas renderTitleCard()
{
    const int cx = kTitleWidth / 2, cy = kTitleHeight / 2;
    // Letters are drawn as a grey mask first, then given a soft glow and a warm white.
    Canvas mask(kTitleWidth, kTitleHeight, 1);
    putSpaced(mask, "Quellin and Vessary", cx, cy - 10, HersheyFont::TriplexItalic, 3.2f, 4.0f, 1.0f, 1.0f);
    // A hairline rule that fades out toward its ends.
    for (int x = cx - 360; x <= cx + 360; ++x) {
        const float u = std::abs(x - cx) / 360.0f;
        const float v = 235.0f / 255.0f * (1.0f - u * u);
        mask.at(x, cy + 42) = v;
        mask.at(x, cy + 43) = v / 3;
    }
    putSpaced(mask, "NIMBREL 2023", cx, cy + 112, HersheyFont::Simplex, 1.15f, 2.0f, 22.0f, 230.0f / 255.0f);

    const Canvas glowWide = mask.blurred(22.0f), glowNear = mask.blurred(5.0f);
    Canvas card(kTitleWidth, kTitleHeight, 3);
    for (int y = 0; y < kTitleHeight; ++y)
        for (int x = 0; x < kTitleWidth; ++x) {
            const float m = mask.at(x, y);
            const float g = 0.9f * glowWide.at(x, y) + 0.5f * glowNear.at(x, y);
            // Core nearly white, halo a pale warm tone.
            card.at(x, y, 0) = std::min(1.0f, m + g * 0.6f);
            card.at(x, y, 1) = std::min(1.0f, m * 0.96f + g * 0.45f);
            card.at(x, y, 2) = std::min(1.0f, m * 0.93f + g * 0.35f);
        }
    return card;
}

void writeTitleCard(const std::string& path)
{
    renderTitleCard().writePng(path);
}

}  // namespace showgen
