#pragma once
// The show's title card: light lettering on black, revealed by the final passes.
#include <opencv2/core.hpp>

#include <string>

namespace showgen {

constexpr int kTitleWidth = 1920, kTitleHeight = 1080;

cv::Mat renderTitleCard();  // 8-bit BGR
void writeTitleCard(const std::string& path);  // throws std::runtime_error when it cannot be written

}  // namespace showgen
