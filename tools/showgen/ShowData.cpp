#include "tools/showgen/ShowData.h"

#include "tools/showgen/Choreography.h"
#include "tools/showgen/DanceRecorder.h"
#include "tools/showgen/FrameFile.h"
#include "tools/showgen/Mp3Codec.h"
#include "tools/showgen/PointShape.h"
#include "tools/showgen/Song.h"
#include "tools/showgen/TitleCard.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace showgen {

namespace fs = std::filesystem;

namespace {

const Routine* routineFor(const std::vector<Routine>& routines, const std::string& itemPath) {
    for (const auto& r : routines)
        if (itemPath == std::string(kDanceFolder) + "/" + r.folder) return &r;
    return nullptr;
}

// Everything is made under a temporary name and then renamed, so an interrupted run never
// leaves a file or recording that looks complete.
std::string makeItem(const std::string& dataDir, const GeneratedItem& item) {
    const fs::path target = fs::path(dataDir) / item.path;
    fs::create_directories(target.parent_path());
    const fs::path temp = target.parent_path() / (".partial-" + target.filename().string());
    fs::remove_all(temp);
    char summary[160];
    const auto routines = showRoutines();
    if (const Routine* r = routineFor(routines, item.path)) {
        const size_t bytes = writeRecording(*r, temp.string());
        std::snprintf(summary, sizeof summary, "%d frames x %d points, %.1f MB", r->frameCount(), kPointsPerFrame,
                      bytes / 1e6);
    } else if (item.path == kMusicFile) {
        const PcmStereo pcm = renderSong();
        encodeMp3(pcm, 192, temp.string());
        std::snprintf(summary, sizeof summary, "%.1f s of music, %.1f MB", pcm.seconds(), fs::file_size(temp) / 1e6);
    } else if (item.path == kTitleFile) {
        const fs::path png = temp.string() + ".png";  // the image writer picks its format by extension
        writeTitleCard(png.string());
        fs::rename(png, temp);
        std::snprintf(summary, sizeof summary, "%d x %d title card", kTitleWidth, kTitleHeight);
    } else if (item.path == kPointFile) {
        writePointFile(temp.string(), torusKnotPoints(kShapePoints));
        std::snprintf(summary, sizeof summary, "%d points", kShapePoints);
    } else {
        throw std::logic_error("no maker for " + item.path);
    }
    fs::remove_all(target);
    fs::rename(temp, target);
    return summary;
}

}  // namespace

std::vector<GeneratedItem> generatedItems() {
    std::vector<GeneratedItem> items;
    for (const auto& r : showRoutines()) items.push_back({std::string(kDanceFolder) + "/" + r.folder, true});
    items.push_back({kMusicFile, false});
    items.push_back({kTitleFile, false});
    items.push_back({kPointFile, false});
    return items;
}

bool itemComplete(const std::string& dataDir, const GeneratedItem& item) {
    const fs::path target = fs::path(dataDir) / item.path;
    std::error_code ec;
    if (!item.folder) return fs::is_regular_file(target, ec) && fs::file_size(target, ec) > 0;
    const auto routines = showRoutines();
    const Routine* r = routineFor(routines, item.path);
    return r && fs::is_directory(target, ec) &&
           listFrameFiles(target.string()).size() == static_cast<size_t>(r->frameCount());
}

bool makeShowData(const std::string& dataDir, bool onlyMissing) {
    const fs::path stamp = fs::path(dataDir) / ".showgen-version";
    int version = 0;
    std::ifstream(stamp) >> version;
    if (onlyMissing && version != kDataVersion && fs::exists(stamp)) {
        std::printf("showgen: data in %s is from another generator version; making it again\n", dataDir.c_str());
        onlyMissing = false;
    }
    bool ok = true;
    int made = 0;
    for (const auto& item : generatedItems()) {
        if (onlyMissing && itemComplete(dataDir, item)) continue;
        ++made;
        const auto start = std::chrono::steady_clock::now();
        try {
            const std::string summary = makeItem(dataDir, item);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("showgen: %s: %s (%.1f s)\n", item.path.c_str(), summary.c_str(), seconds);
        } catch (const std::exception& e) {
            std::printf("showgen: %s: FAILED: %s\n", item.path.c_str(), e.what());
            ok = false;
        }
        std::fflush(stdout);
    }
    if (made == 0) std::printf("showgen: all show data present in %s\n", dataDir.c_str());
    if (ok) {
        fs::create_directories(dataDir);
        std::ofstream(stamp) << kDataVersion << "\n";
    }
    return ok;
}

}  // namespace showgen
