#pragma once
// The command line of the offline renderer.
#include <optional>
#include <string>
#include <vector>

struct CaptureOptions {
    double from = 0;               // first frame's time, seconds of the show clock
    double to = 0;                 // frames are rendered while their time is below this
    double fps = 30;
    int width = 1280;
    int height = 720;
    std::vector<double> at;        // --at: these times only, each a PNG of its own
    std::string pngDir;            // --png DIR
    std::string mp4File;           // --mp4 FILE
    std::string root = ".";        // where shaders/ and newresources/ are
    bool quiet = false;            // no progress line

    // Times of the frames to render, in order.
    std::vector<double> frameTimes() const;
};

// Parses the arguments (without the program name). On a mistake returns
// nothing and says what is wrong in `error`.
std::optional<CaptureOptions> parseCaptureOptions(const std::vector<std::string>& args, std::string& error);

// The usage text.
const char* captureUsage();
