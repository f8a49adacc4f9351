#include "tools/showgen/Preview.h"

#include "tools/showgen/FrameFile.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <stdexcept>

namespace showgen {

namespace {

enum class View { Front, Side, Top };

// Orthographic projection of one frame into a tile; brightness from the point's shade byte,
// drawn far to near so that the near side covers the far one.
void drawFrame(cv::Mat& tile, const FrameData& frame, View view, float scale) {
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
    const float cx = tile.cols * 0.5f, base = view == View::Top ? tile.rows * 0.5f : tile.rows * 0.95f;
    for (const auto& q : pts) {
        // Seen from the front the figure's right (+x) is on the picture's left.
        const float u = view == View::Front ? -q.u : q.u;
        const cv::Point c(static_cast<int>(cx + u * scale), static_cast<int>(base - q.v * scale));
        const int b = 50 + q.shade * 205 / 255;
        cv::circle(tile, c, 1, cv::Scalar(b * 0.55, b * 0.75, b), cv::FILLED, cv::LINE_AA);
    }
    cv::line(tile, {0, static_cast<int>(base)}, {tile.cols, static_cast<int>(base)}, cv::Scalar(60, 60, 60));
}

}  // namespace

void writeRecordingPreview(const std::string& recordingFolder, const std::string& outDir, const std::string& name) {
    const auto files = listFrameFiles(recordingFolder);
    if (files.empty()) throw std::runtime_error("no frames in " + recordingFolder);
    constexpr int kCols = 8, kRows = 3, kTile = 240;
    // The whole recording at a glance, then its first seconds frame by frame (every fifth frame).
    for (const bool whole : {true, false}) {
        cv::Mat strip(kRows * kTile, kCols * kTile, CV_8UC3, cv::Scalar(0, 0, 0));
        for (int i = 0; i < kCols * kRows; ++i) {
            const size_t index = whole ? files.size() * static_cast<size_t>(i) / (kCols * kRows)
                                       : std::min(files.size() - 1, static_cast<size_t>(5 * i));
            cv::Mat tile = strip(cv::Rect((i % kCols) * kTile, (i / kCols) * kTile, kTile, kTile));
            drawFrame(tile, readFrameFile(files[index]), View::Front, kTile / 2.0f);
            cv::putText(tile, std::to_string(index), {6, 18}, cv::FONT_HERSHEY_SIMPLEX, 0.45, cv::Scalar(120, 120, 120),
                        1, cv::LINE_AA);
        }
        cv::imwrite(outDir + "/" + name + (whole ? "_frames.png" : "_motion.png"), strip);
    }

    const FrameData frame = readFrameFile(files[files.size() / 3]);
    cv::Mat views(600, 1500, CV_8UC3, cv::Scalar(0, 0, 0));
    const View kinds[3] = {View::Front, View::Side, View::Top};
    for (int v = 0; v < 3; ++v) {
        cv::Mat tile = views(cv::Rect(v * 500, 0, 500, 600));
        drawFrame(tile, frame, kinds[v], 320.0f);
    }
    cv::imwrite(outDir + "/" + name + "_views.png", views);
}

}  // namespace showgen
