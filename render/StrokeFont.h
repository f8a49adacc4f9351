#pragma once
// The built-in vector font: every glyph is a few triangle strips on a 16 x 16
// grid, made of bars two grid units thick, so text looks the same at any size.
#include <string>
#include <vector>

// Glyph bytes by character code 0..127. A byte is one grid point, x in the high
// four bits (rightwards), y in the low four (upwards, 0 on the baseline); FF ends
// a strip, and an FF where a strip would begin ends the glyph.
extern const unsigned char* const StrokeFontGlyphs[128];

// The glyph drawn for a character; bytes of 128 and up get the placeholder.
const unsigned char* StrokeGlyph(unsigned char c);

// How far the pen moves after `c`, in cells, given the character after it
// (`next` < 0 when `c` is the last one). Narrow letters close up the gap.
float StrokeAdvance(unsigned char c, int next);

struct StrokeVertex {
    float x, y, z;
};
using StrokeStrip = std::vector<StrokeVertex>;

// The triangle strips of a text before the fixed cell scaling: cell k of a
// character starts at x + sx * (pen position), grid points are 1/16 of sx, sy.
std::vector<StrokeStrip> LayoutStrokeText(const std::string& text, float x, float y, float z, float sx, float sy);

// Draws a text in the current colour at the current modelview matrix, one cell
// 14 units wide and 20 high (times sx, sy), grid y pointing down. Leaves depth
// testing and polygon smoothing on and blending off.
void DrawStrokeText(std::string text, float x, float y, float z, float sx, float sy, float sz);

// Multiplies the current matrix by the map from window pixels (origin at the
// top-left corner, y growing downward) of a w x h viewport to clip space.
void MultPixelSpace(float w, float h);
