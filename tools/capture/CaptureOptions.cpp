#include "tools/capture/CaptureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// The largest frame count a run may ask for: a day at 120 frames per second.
constexpr double kMaxFrames = 24.0 * 3600.0 * 120.0;
constexpr int kMaxSide = 8192;

bool parseNumber(const std::string& text, double& out)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find('x');
    if (x == std::string::npos) return false;
    double w = 0;
    double h = 0;
    if (!parseNumber(text.substr(0, x), w) || !parseNumber(text.substr(x + 1), h)) return false;
    if (w != std::floor(w) || h != std::floor(h) || w < 16 || h < 16 || w > kMaxSide || h > kMaxSide) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseTimes(const std::string& text, std::vector<double>& out)
{
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        double t = 0;
        if (!parseNumber(item, t)) return false;
        out.push_back(t);
    }
    return !out.empty();
}

}  // namespace

std::vector<double> CaptureOptions::frameTimes() const
{
    if (!at.empty()) return at;
    std::vector<double> times;
    for (long n = 0;; ++n) {
        const double t = from + static_cast<double>(n) / fps;
        if (t >= to - 1e-9) break;
        times.push_back(t);
    }
    return times;
}

std::optional<CaptureOptions> parseCaptureOptions(const std::vector<std::string>& args, std::string& error)
{
    CaptureOptions o;
    bool haveFrom = false;
    bool haveTo = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (name == "--help" || name == "-h") {
            error = "";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument '" + name + "'";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (name == "--from") {
            if (!parseNumber(value, o.from)) error = "--from wants seconds, not '" + value + "'";
            haveFrom = true;
        } else if (name == "--to") {
            if (!parseNumber(value, o.to)) error = "--to wants seconds, not '" + value + "'";
            haveTo = true;
        } else if (name == "--fps") {
            if (!parseNumber(value, o.fps) || o.fps <= 0 || o.fps > 240) error = "--fps wants a rate above 0 and up to 240, not '" + value + "'";
        } else if (name == "--size") {
            if (!parseSize(value, o.width, o.height)) error = "--size wants WIDTHxHEIGHT, each 16 to 8192, not '" + value + "'";
        } else if (name == "--at") {
            if (!parseTimes(value, o.at)) error = "--at wants times in seconds separated by commas, not '" + value + "'";
        } else if (name == "--png") {
            o.pngDir = value;
        } else if (name == "--mp4") {
            o.mp4File = value;
        } else if (name == "--root") {
            o.root = value;
        } else {
            error = "unknown option '" + name + "'";
        }
        if (!error.empty()) return std::nullopt;
    }

    if (o.pngDir.empty() == o.mp4File.empty()) {
        error = "say where the frames go: either --png DIR or --mp4 FILE";
        return std::nullopt;
    }
    if (!o.at.empty()) {
        if (haveFrom || haveTo) error = "--at renders single times: leave out --from and --to";
        else if (!o.mp4File.empty()) error = "--at writes PNG frames: use --png with it";
    } else if (!haveFrom || !haveTo) {
        error = "give the time range with --from and --to (or single times with --at)";
    } else if (!(o.to > o.from)) {
        error = "--to must be after --from";
    } else if ((o.to - o.from) * o.fps > kMaxFrames) {
        error = "that range at that rate is more frames than one run makes";
    }
    if (!error.empty()) return std::nullopt;
    return o;
}

const char* captureUsage()
{
    return "usage: quellin-capture --from SECONDS --to SECONDS [--fps RATE] [--size WxH] (--png DIR | --mp4 FILE)\n"
           "       quellin-capture --at T1,T2,... [--size WxH] --png DIR\n"
           "Renders the show offscreen from the working directory (or --root DIR) at a fixed frame rate\n"
           "(default 30) and size (default 1280x720): PNG frames, or an MP4 with the music made by ffmpeg.\n"
           "  --quiet   no progress line\n";
}
