#pragma once
// The show's title card: light lettering on black, revealed by the final passes.
#include "tools/showgen/Canvas.h"

#include <string>

namespace showgen {

constexpr int kTitleWidth = 1920, kTitleHeight = 1080;

Canvas renderTitleCard();  // red-green-blue
void writeTitleCard(const std::string& path);  // throws std::runtime_error when it cannot be written

}  // namespace showgen
