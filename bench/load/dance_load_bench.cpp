// Loads the show's three dance recordings and, side by side in the same run,
// reads the same files with `cat > /dev/null`; both from a warm page cache.
//
//   dance_load_bench [--repeat N] [ROOT]     ROOT defaults to newresources/danceexport
//   dance_load_bench --synthetic DIR         writes recordings of the promised sizes to DIR first
//   dance_load_bench --smoke                 a tiny made-up set, for the test run
#include "parts/dancers/DanceSequence.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kFolders[] = {"006", "009", "011"};

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Recordings shaped like the show's: `frames` files of 4000-8000 points.
void writeSynthetic(const fs::path& root, int frames, int minPoints, int maxPoints)
{
    std::mt19937 random(7);
    for (const char* name : kFolders) {
        const fs::path folder = root / name;
        fs::create_directories(folder);
        std::uniform_int_distribution<int> count(minPoints, maxPoints);
        for (int f = 0; f < frames; ++f) {
            DanceFrame frame;
            frame.points.resize(static_cast<size_t>(count(random)));
            for (size_t i = 0; i < frame.points.size(); ++i) frame.points[i].position[0] = static_cast<float>(i);
            char file[32];
            std::snprintf(file, sizeof file, "%05d.processed", f);
            std::ofstream out(folder / file, std::ios::binary);
            const auto n = static_cast<int32_t>(frame.points.size());
            const int32_t zero = 0;
            out.write(reinterpret_cast<const char*>(frame.matrixA), 64);
            out.write(reinterpret_cast<const char*>(frame.matrixB), 64);
            out.write(reinterpret_cast<const char*>(&n), 4);
            out.write(reinterpret_cast<const char*>(frame.points.data()), static_cast<std::streamsize>(n) * 28);
            out.write(reinterpret_cast<const char*>(&zero), 4);
            out.write(reinterpret_cast<const char*>(&zero), 4);
        }
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

// The show loads once in a fresh process and never frees the frames: so does
// each measured load.
int loadOnce(const fs::path& root)
{
    static DanceSequence sequences[3];
    std::cout.rdbuf(nullptr);  // the loader's progress lines
    const auto t0 = std::chrono::steady_clock::now();
    for (int s = 0; s < 3; ++s) loadDanceSequence(sequences[s], (root / kFolders[s]).string(), "1");
    std::printf("%.9f\n", seconds(std::chrono::steady_clock::now() - t0));
    std::fflush(stdout);
    _exit(0);
}

int main(int argc, char** argv)
{
    fs::path root = "newresources/danceexport";
    int repeat = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--load-once" && i + 1 < argc) return loadOnce(argv[i + 1]);
        if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--synthetic" && i + 1 < argc) {
            root = argv[++i];
            writeSynthetic(root, 800, 4000, 8000);
        } else if (arg == "--smoke") {
            root = fs::temp_directory_path() / ("quellin-load-smoke-" + std::to_string(getpid()));
            writeSynthetic(root, 20, 100, 200);
            repeat = 1;
        } else {
            root = arg;
        }
    }

    std::vector<std::string> files;
    uintmax_t bytes = 0;
    for (const char* name : kFolders) {
        const std::vector<std::string> listed = listProcessedFiles((root / name).string(), kDanceFileCap);
        if (listed.empty()) {
            std::printf("no recording in %s (make the show data with scripts/make-show-data.sh)\n",
                        (root / name).c_str());
            return 2;
        }
        for (const std::string& path : listed) bytes += fs::file_size(path);
        files.insert(files.end(), listed.begin(), listed.end());
    }
    const fs::path list = fs::temp_directory_path() / ("quellin-load-list-" + std::to_string(getpid()));
    {
        std::ofstream out(list, std::ios::binary);
        for (const std::string& path : files) out << path << '\0';
    }
    const std::string catCommand = "xargs -0 cat < '" + list.string() + "' > /dev/null";
    if (std::system(catCommand.c_str()) != 0) return 1;  // warms the page cache
    // Each load runs in a fresh process, as in the show.
    const std::string loadCommand = "'" + fs::canonical("/proc/self/exe").string() + "' --load-once '" + root.string() + "'";

    std::vector<double> catTimes, loadTimes;
    for (int r = 0; r < repeat; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        if (std::system(catCommand.c_str()) != 0) return 1;
        catTimes.push_back(seconds(std::chrono::steady_clock::now() - t0));

        // The child times its own loading, without the start-up of a player
        // process (its many libraries), which cat does not have to pay.
        std::FILE* child = popen(loadCommand.c_str(), "r");
        double loaded = -1;
        if (!child || std::fscanf(child, "%lf", &loaded) != 1 || pclose(child) != 0) return 1;
        loadTimes.push_back(loaded);
    }
    fs::remove(list);
    if (root.filename().string().starts_with("quellin-load-smoke-")) fs::remove_all(root);

    const double mb = static_cast<double>(bytes) / 1e6;
    const double cat = median(catTimes);
    const double load = median(loadTimes);
    const double catBest = *std::min_element(catTimes.begin(), catTimes.end());
    const double loadBest = *std::min_element(loadTimes.begin(), loadTimes.end());
    std::printf("%zu files, %.1f MB, %d runs each, alternating (warm cache)\n", files.size(), mb, repeat);
    std::printf("                         median              best\n");
    std::printf("  xargs cat > /dev/null  %6.3f s %5.0f MB/s  %6.3f s %5.0f MB/s\n", cat, mb / cat, catBest, mb / catBest);
    std::printf("  loadDanceSequence x3   %6.3f s %5.0f MB/s  %6.3f s %5.0f MB/s\n", load, mb / load, loadBest, mb / loadBest);
    std::printf("  load / cat             %6.2f              %6.2f    (target <= 1.30)\n", load / cat, loadBest / catBest);
    return 0;
}
