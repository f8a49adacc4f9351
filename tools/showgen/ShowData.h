#pragma once
// The list of the show's generated files and how each is made.
#include <string>
#include <vector>

namespace showgen {

constexpr const char* kMusicFile = "11_velisse_and_the_norrows_-_quellin_and_vessary.mp3";
constexpr const char* kTitleFile = "velisse.png";
constexpr const char* kPointFile = "quellin.xyz";
constexpr const char* kDanceFolder = "danceexport";

struct GeneratedItem {
    std::string path;  // relative to the data folder
    bool folder;       // a recording (a folder of frame files)
};
std::vector<GeneratedItem> generatedItems();

// True when the item exists whole: a recording needs all of its frames.
bool itemComplete(const std::string& dataDir, const GeneratedItem& item);

// Makes the items (all, or only those not complete), printing a line per item.
// Returns false when an item failed; the others are still made.
bool makeShowData(const std::string& dataDir, bool onlyMissing);

}  // namespace showgen
