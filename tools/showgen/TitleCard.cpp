#include "tools/showgen/TitleCard.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <stdexcept>

namespace showgen {

namespace {

// Draws text centred on x with extra space between the letters (putText has no tracking).
void putSpaced(cv::Mat& img, const std::string& text, int centreX, int baseline, int font, double scale,
               int thickness, double tracking, const cv::Scalar& colour) {
    int base = 0;
    double width = 0;
    for (char c : text) width += cv::getTextSize(std::string(1, c), font, scale, thickness, &base).width + tracking;
    width -= tracking;
    double x = centreX - width / 2;
    for (char c : text) {
        const std::string s(1, c);
        cv::putText(img, s, {static_cast<int>(x), baseline}, font, scale, colour, thickness, cv::LINE_AA);
        x += cv::getTextSize(s, font, scale, thickness, &base).width + tracking;
    }
}

}  // namespace

cv::Mat renderTitleCard() {
    const int cx = kTitleWidth / 2, cy = kTitleHeight / 2;
    // Letters are drawn as a grey mask first, then given a soft glow and a warm white.
    cv::Mat mask(kTitleHeight, kTitleWidth, CV_8UC1, cv::Scalar(0));
    putSpaced(mask, "Quellin and Vessary", cx, cy - 10, cv::FONT_HERSHEY_TRIPLEX | cv::FONT_ITALIC, 3.2, 4, 1.0,
              cv::Scalar(255));
    // A hairline rule that fades out toward its ends.
    for (int x = cx - 360; x <= cx + 360; ++x) {
        const double u = std::abs(x - cx) / 360.0;
        const auto v = static_cast<uchar>(235 * (1.0 - u * u));
        mask.at<uchar>(cy + 42, x) = v;
        mask.at<uchar>(cy + 43, x) = static_cast<uchar>(v / 3);
    }
    putSpaced(mask, "NIMBREL 2023", cx, cy + 112, cv::FONT_HERSHEY_SIMPLEX, 1.15, 2, 22.0, cv::Scalar(230));

    cv::Mat glowWide, glowNear;
    cv::GaussianBlur(mask, glowWide, {0, 0}, 22.0);
    cv::GaussianBlur(mask, glowNear, {0, 0}, 5.0);
    cv::Mat card(kTitleHeight, kTitleWidth, CV_8UC3);
    for (int y = 0; y < kTitleHeight; ++y)
        for (int x = 0; x < kTitleWidth; ++x) {
            const double m = mask.at<uchar>(y, x) / 255.0;
            const double g = 0.9 * glowWide.at<uchar>(y, x) / 255.0 + 0.5 * glowNear.at<uchar>(y, x) / 255.0;
            // Core nearly white, halo a pale warm tone.
            const double b = std::min(1.0, m * 0.93 + g * 0.35), gr = std::min(1.0, m * 0.96 + g * 0.45),
                         r = std::min(1.0, m + g * 0.6);
            card.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(b * 255), static_cast<uchar>(gr * 255),
                                                 static_cast<uchar>(r * 255));
        }
    return card;
}

void writeTitleCard(const std::string& path) {
    if (!cv::imwrite(path, renderTitleCard())) throw std::runtime_error("cannot write " + path);
}

}  // namespace showgen
