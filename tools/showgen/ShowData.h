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

// Raised whenever the generator's output changes, so that data made by an older generator is
// made again even when only missing items are asked for. Kept in DIR/.showgen-version.
constexpr int kDataVersion = 1;

// Makes the items (all, or only those not complete or from another version), printing a line per item.
// Returns false when an item failed; the others are still made.
bool makeShowData(const std::string& dataDir, bool onlyMissing);

}  // namespace showgen
