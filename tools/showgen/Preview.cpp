#include "tools/showgen/Preview.h"

#include "tools/showgen/Canvas.h"
#include "tools/showgen/FrameFile.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace showgen {

namespace {

enum class View { Front, Side, Top };

// Orthographic projection of one frame into a tile; brightness from the point's shade byte,
// drawn far to near so that the near side covers the far one.
// The part of `canvas` from (left, top), width x height pixels.
struct Tile {
    Canvas& canvas;
    int left, top, width, height;
};

void drawFrame(Tile tile, const FrameData& frame, View view, float scale) {
    struct P { float u, v, depth; int shade; };
    std::vector<P> pts;
    for (const auto& p : frame.points) {
        const float x = p.position[0], y = p.position[1], z = p.position[2];
        P q{};
        q.shade = static_cast<int>((p.colour >> 8) & 0xFF);
        switch (view) {
            case View::Front: q = {x, y, -z, q.shade}; break;  // seen from -z, the way it faces
            case View::Side: q = {z, y, x, q.shade}; break;
            case View::Top: q = {x, -z, y, q.shade}; break;
        }
        pts.push_back(q);
    }
    std::sort(pts.begin(), pts.end(), [](const P& a, const P& b) { return a.depth < b.depth; });
    const float cx = tile.left + tile.width * 0.5f,
                base = tile.top + (view == View::Top ? tile.height * 0.5f : tile.height * 0.95f);
    for (const auto& q : pts) {
        // Seen from the front the figure's right (+x) is on the picture's left.
        const float u = view == View::Front ? -q.u : q.u;
        const float x = std::floor(cx + u * scale), y = std::floor(base - q.v * scale);
        if (x < tile.left || x >= tile.left + tile.width || y < tile.top || y >= tile.top + tile.height) continue;
        const float b = (50 + q.shade * 205 / 255) / 255.0f;
        tile.canvas.dot(x, y, 1.0f, {b, b * 0.75f, b * 0.55f});
    }
    tile.canvas.line(tile.left, std::floor(base), tile.left + tile.width - 1, std::floor(base), 1.0f,
                     {60 / 255.0f, 60 / 255.0f, 60 / 255.0f});
}

}  // namespace

void writeRecordingPreview(const std::string& recordingFolder, const std::string& outDir, const std::string& name) {
    const auto files = listFrameFiles(recordingFolder);
    if (files.empty()) throw std::runtime_error("no frames in " + recordingFolder);
    constexpr int kCols = 8, kRows = 3, kTile = 240;
    // The whole recording at a glance, then its first seconds frame by frame (every fifth frame).
    for (const bool whole : {true, false}) {
        Canvas strip(kCols * kTile, kRows * kTile, 3);
        for (int i = 0; i < kCols * kRows; ++i) {
            const size_t index = whole ? files.size() * static_cast<size_t>(i) / (kCols * kRows)
                                       : std::min(files.size() - 1, static_cast<size_t>(5 * i));
            const Tile tile{strip, (i % kCols) * kTile, (i / kCols) * kTile, kTile, kTile};
            drawFrame(tile, readFrameFile(files[index]), View::Front, kTile / 2.0f);
            const float grey = 120 / 255.0f;
            drawHersheyText(strip, HersheyFont::Simplex, std::to_string(index), tile.left + 6.0f, tile.top + 18.0f, 0.45f,
                            1.0f, {grey, grey, grey});
        }
        strip.writePng(outDir + "/" + name + (whole ? "_frames.png" : "_motion.png"));
    }

    const FrameData frame = readFrameFile(files[files.size() / 3]);
    Canvas views(1500, 600, 3);
    const View kinds[3] = {View::Front, View::Side, View::Top};
    for (int v = 0; v < 3; ++v) {
        drawFrame(Tile{views, v * 500, 0, 500, 600}, frame, kinds[v], 320.0f);
    }
    views.writePng(outDir + "/" + name + "_views.png");
}

}  // namespace showgen
