#pragma once
// A small raster for the generator's pictures: float channels 0..1 (one for a
// grey mask, three for red-green-blue), anti-aliased strokes and dots,
// Hershey vector text and a Gaussian blur, written as PNG.
#include <array>
#include <string>
#include <vector>

namespace showgen {

using Colour = std::array<float, 3>;  // red, green, blue; a grey canvas takes the first

class Canvas {
public:
    Canvas(int width, int height, int channels);  // black

    int width() const { return width_; }
    int height() const { return height_; }
    int channels() const { return channels_; }
    float at(int x, int y, int channel = 0) const { return values_[index(x, y) + static_cast<size_t>(channel)]; }
    float& at(int x, int y, int channel = 0) { return values_[index(x, y) + static_cast<size_t>(channel)]; }

    // Lays `colour` over what is there, in the proportion `cover` (one value
    // per pixel, 0..1, the canvas's size).
    void paint(const std::vector<float>& cover, const Colour& colour);

    // A straight line `width` pixels wide with round ends; pixel centres are
    // at whole coordinates.
    void line(float x0, float y0, float x1, float y1, float width, const Colour& colour);
    void dot(float x, float y, float radius, const Colour& colour);

    // Each channel blurred with a Gaussian of the given deviation in pixels,
    // the edges extended.
    Canvas blurred(float sigma) const;

    // 8-bit PNG (grey canvases as grey RGB); throws std::runtime_error when
    // the file cannot be written.
    void writePng(const std::string& path) const;

private:
    size_t index(int x, int y) const
    {
        return (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) *
               static_cast<size_t>(channels_);
    }

    int width_, height_, channels_;
    std::vector<float> values_;
};

// Coverage of a capsule (a segment widened to `width`) added to `cover` by
// maximum, so that the joints of a polyline are not painted twice.
void coverSegment(std::vector<float>& cover, int width, int height, float x0, float y0, float x1, float y1,
                  float lineWidth);

// Two of the Hershey vector fonts: the simplex roman and the triplex italic.
enum class HersheyFont { Simplex, TriplexItalic };

// The pen's advance over `text` at `scale` pixels per font unit.
float hersheyAdvance(HersheyFont font, const std::string& text, float scale);

// Draws `text` from `x` with its baseline at `baseline`, strokes `thickness`
// pixels wide. Characters the font lacks are skipped.
void drawHersheyText(Canvas& canvas, HersheyFont font, const std::string& text, float x, float baseline, float scale,
                     float thickness, const Colour& colour);

}  // namespace showgen
