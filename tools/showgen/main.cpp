// quellin-showgen: makes the show's data files (dance recordings, music, title card, points).
//   quellin-showgen [--if-missing] DIR       make all files in DIR, or only those missing
//   quellin-showgen --calibrate DIR          replay the show's spectrum pulse over DIR's music
//   quellin-showgen --preview DIR OUTDIR     draw the recordings of DIR as pictures in OUTDIR
//   quellin-showgen                          make what is missing in newresources of the show's folder
#include "tools/showgen/FftBeatSimulation.h"
#include "tools/showgen/Preview.h"
#include "tools/showgen/ShowData.h"
#include "platform/Platform.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

int usage() {
    std::printf("usage: quellin-showgen   (in the show's folder: makes what is missing in its newresources)\n"
                "       quellin-showgen [--if-missing] DIR\n"
                "       quellin-showgen --calibrate DIR\n"
                "       quellin-showgen --preview DIR OUTDIR\n");
    return 2;
}

int calibrate(const std::string& dir) {
    using namespace showgen;
    const std::string path = dir + "/" + kMusicFile;
    const PcmStereo pcm = decodeMp3(path);
    std::printf("%s: %.2f s decoded\n", path.c_str(), pcm.seconds());
    const auto trace = simulateFftBeat(pcm, 154.0);
    std::printf("fftbeat at 60 frames per second (show clock = music time):\n");
    std::printf("%-12s %-12s %6s %9s %9s %9s %9s %10s | %5s %9s %9s %9s\n", "section", "seconds", "frames", "p10",
                "p50", "p90", "max", "bin0 max", "beats", "peak p10", "peak p50", "peak p90");
    for (const auto& s : summariseFftBeat(trace))
        std::printf("%-12s %5.1f-%-6.1f %6zu %9.3g %9.3g %9.3g %9.3g %10.3g | %5zu %9.3g %9.3g %9.3g\n", s.name.c_str(),
                    s.from, s.to, s.frames, s.p10, s.p50, s.p90, s.max, s.bin0Max, s.beats, s.peakP10, s.peakP50,
                    s.peakP90);
    std::printf("(peak: the largest value within each beat of the music's grid)\n");
    return 0;
}

// Started without arguments, as a double-click starts it: the data is made
// beside the show's shaders, where the player reads it, and nowhere else. A
// console window of its own would vanish with the last line, so it stays
// until Enter.
int makeForViewer() {
    platform::EnterProgramFolderIfNeeded();
    bool ok = false;
    std::error_code error;
    if (!std::filesystem::is_directory("shaders", error)) {
        std::printf("quellin-showgen: this is not the show's folder (it has no shaders folder); "
                    "start it from the show's folder, or name a folder:\n");
        usage();
    } else {
        std::printf("Making the show's data in newresources (a minute or two; a line for each file as it is made).\n");
        std::fflush(stdout);
        try {
            ok = showgen::makeShowData("newresources", true);
        } catch (const std::exception& e) {
            std::printf("quellin-showgen: %s\n", e.what());
        }
        std::printf(ok ? "The show's data is ready: the show can be started now.\n"
                       : "Some of the show's data could not be made (the lines above say why).\n");
    }
    if (platform::ConsoleIsOwn()) {
        std::printf("Press Enter to close this window.\n");
        std::fflush(stdout);
        std::getchar();
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 1) return makeForViewer();
        const std::string first = argv[1];
        if (first == "--calibrate" && argc == 3) return calibrate(argv[2]);
        if (first == "--preview" && argc == 4) {
            std::filesystem::create_directories(argv[3]);
            for (const char* name : {"006", "009", "011"})
                showgen::writeRecordingPreview(std::string(argv[2]) + "/" + showgen::kDanceFolder + "/" + name, argv[3], name);
            return 0;
        }
        if (first == "--if-missing" && argc == 3) return showgen::makeShowData(argv[2], true) ? 0 : 1;
        if (argc == 2 && first.rfind("--", 0) != 0) return showgen::makeShowData(argv[1], false) ? 0 : 1;
        return usage();
    } catch (const std::exception& e) {
        std::printf("quellin-showgen: %s\n", e.what());
        return 1;
    }
}
