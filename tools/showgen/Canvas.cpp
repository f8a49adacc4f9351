#include "tools/showgen/Canvas.h"

#include "render/ImageFile.h"
#include "tools/showgen/HersheyFontData.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace showgen {

Canvas::Canvas(int width, int height, int channels)
    : width_(width), height_(height), channels_(channels),
      values_(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels), 0.0f)
{
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3))
        throw std::invalid_argument("a canvas needs a positive size and 1 or 3 channels");
}

void Canvas::paint(const std::vector<float>& cover, const Colour& colour)
{
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const float a = cover[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
            if (a <= 0.0f) continue;
            for (int c = 0; c < channels_; ++c) at(x, y, c) += (colour[static_cast<size_t>(c)] - at(x, y, c)) * a;
        }
}

namespace {

// Calls visit(x, y, part) for every pixel a capsule (a segment widened to
// `lineWidth`, round ends) covers, with the part of the pixel it covers.
template <typename Visit>
void visitCapsule(int width, int height, float x0, float y0, float x1, float y1, float lineWidth, Visit visit)
{
    const float reach = lineWidth * 0.5f + 0.5f;
    const int left = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - reach)));
    const int right = std::min(width - 1, static_cast<int>(std::ceil(std::max(x0, x1) + reach)));
    const int top = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - reach)));
    const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max(y0, y1) + reach)));
    const float dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            // The distance from the pixel's centre to the segment.
            const float t = length2 > 0.0f ? std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0f, 1.0f) : 0.0f;
            const float ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
            const float part = std::clamp(reach - std::sqrt(ex * ex + ey * ey), 0.0f, 1.0f);
            if (part > 0.0f) visit(x, y, part);
        }
}

}  // namespace

void coverSegment(std::vector<float>& cover, int width, int height, float x0, float y0, float x1, float y1,
                  float lineWidth)
{
    visitCapsule(width, height, x0, y0, x1, y1, lineWidth, [&](int x, int y, float part) {
        float& c = cover[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        c = std::max(c, part);
    });
}

void Canvas::line(float x0, float y0, float x1, float y1, float width, const Colour& colour)
{
    visitCapsule(width_, height_, x0, y0, x1, y1, width, [&](int x, int y, float part) {
        for (int c = 0; c < channels_; ++c) at(x, y, c) += (colour[static_cast<size_t>(c)] - at(x, y, c)) * part;
    });
}

void Canvas::dot(float x, float y, float radius, const Colour& colour)
{
    line(x, y, x, y, 2.0f * radius, colour);
}

Canvas Canvas::blurred(float sigma) const
{
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0f * sigma)));
    std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i) sum += kernel[static_cast<size_t>(i + radius)] = std::exp(-0.5f * i * i / (sigma * sigma));
    for (float& k : kernel) k /= sum;

    Canvas across(width_, height_, channels_), out(width_, height_, channels_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            for (int c = 0; c < channels_; ++c) {
                float v = 0.0f;
                for (int i = -radius; i <= radius; ++i) v += kernel[static_cast<size_t>(i + radius)] * at(std::clamp(x + i, 0, width_ - 1), y, c);
                across.at(x, y, c) = v;
            }
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            for (int c = 0; c < channels_; ++c) {
                float v = 0.0f;
                for (int i = -radius; i <= radius; ++i) v += kernel[static_cast<size_t>(i + radius)] * across.at(x, std::clamp(y + i, 0, height_ - 1), c);
                out.at(x, y, c) = v;
            }
    return out;
}

void Canvas::writePng(const std::string& path) const
{
    RgbImage image;
    image.width = width_;
    image.height = height_;
    image.pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            for (int c = 0; c < 3; ++c) {
                const float v = at(x, y, channels_ == 3 ? c : 0);
                image.pixels[(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3 +
                             static_cast<size_t>(c)] = static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
            }
    if (!WritePng(path, image)) throw std::runtime_error("cannot write " + path);
}

namespace {

// A glyph of a Hershey font file: its left and right edges and its strokes,
// in font units with y growing downward and the baseline at 9.
struct Glyph {
    int left = 0, right = 0;
    std::vector<std::vector<std::array<int, 2>>> strokes;
};

// Glyphs from character 32 on, one per record of the file: a number (5
// columns), the count of coordinate pairs (3 columns) and the pairs, letters
// counted from 'R', the first pair the edges and " R" lifting the pen.
// A record may run over several lines.
std::vector<Glyph> parseHershey(const std::string& text)
{
    std::vector<Glyph> glyphs;
    size_t at = 0;
    const auto skipLineBreaks = [&] {
        while (at < text.size() && (text[at] == '\n' || text[at] == '\r')) ++at;
    };
    for (skipLineBreaks(); at + 8 <= text.size(); skipLineBreaks()) {
        const int pairs = std::stoi(text.substr(at + 5, 3));
        at += 8;
        std::string data;
        while (static_cast<int>(data.size()) < 2 * pairs && at < text.size()) {
            if (text[at] != '\n' && text[at] != '\r') data += text[at];
            ++at;
        }
        if (static_cast<int>(data.size()) < 2 * pairs || pairs < 1) throw std::runtime_error("damaged Hershey font");
        Glyph glyph;
        glyph.left = data[0] - 'R';
        glyph.right = data[1] - 'R';
        glyph.strokes.emplace_back();
        for (int i = 1; i < pairs; ++i) {
            const char cx = data[static_cast<size_t>(2 * i)], cy = data[static_cast<size_t>(2 * i + 1)];
            if (cx == ' ' && cy == 'R') glyph.strokes.emplace_back();
            else glyph.strokes.back().push_back({cx - 'R', cy - 'R'});
        }
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

const std::vector<Glyph>& fontGlyphs(HersheyFont font)
{
    static const std::vector<Glyph> simplex = parseHershey(hersheySimplexText());
    static const std::vector<Glyph> italic = parseHershey(hersheyTriplexItalicText());
    return font == HersheyFont::Simplex ? simplex : italic;
}

const Glyph* glyphOf(HersheyFont font, char c)
{
    const auto& glyphs = fontGlyphs(font);
    const int index = static_cast<unsigned char>(c) - 32;
    return index >= 0 && index < static_cast<int>(glyphs.size()) ? &glyphs[static_cast<size_t>(index)] : nullptr;
}

}  // namespace

float hersheyAdvance(HersheyFont font, const std::string& text, float scale)
{
    float advance = 0.0f;
    for (const char c : text)
        if (const Glyph* glyph = glyphOf(font, c)) advance += static_cast<float>(glyph->right - glyph->left) * scale;
    return advance;
}

void drawHersheyText(Canvas& canvas, HersheyFont font, const std::string& text, float x, float baseline, float scale,
                     float thickness, const Colour& colour)
{
    std::vector<float> cover(static_cast<size_t>(canvas.width()) * static_cast<size_t>(canvas.height()), 0.0f);
    for (const char c : text) {
        const Glyph* glyph = glyphOf(font, c);
        if (!glyph) continue;
        const auto px = [&](int gx) { return x + static_cast<float>(gx - glyph->left) * scale; };
        const auto py = [&](int gy) { return baseline + static_cast<float>(gy - 9) * scale; };
        for (const auto& stroke : glyph->strokes)
            for (size_t i = 0; i + 1 < stroke.size(); ++i)
                coverSegment(cover, canvas.width(), canvas.height(), px(stroke[i][0]), py(stroke[i][1]),
                             px(stroke[i + 1][0]), py(stroke[i + 1][1]), thickness);
        x += static_cast<float>(glyph->right - glyph->left) * scale;
    }
    canvas.paint(cover, colour);
}

}  // namespace showgen
