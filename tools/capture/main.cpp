// quellin-capture: renders the show offline to PNG frames or an MP4 with the music.
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureSession.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/Progress.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kMusic = "newresources//11_velisse_and_the_norrows_-_quellin_and_vessary.mp3";

int fail(const std::string& message)
{
    std::fprintf(stderr, "quellin-capture: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<CaptureOptions> parsed = parseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        if (error.empty()) {
            std::fputs(captureUsage(), stdout);
            return 0;
        }
        std::fprintf(stderr, "quellin-capture: %s\n%s", error.c_str(), captureUsage());
        return 2;
    }
    const CaptureOptions& options = *parsed;

    // Output paths are taken relative to where the tool was started.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path pngDir = options.pngDir.empty() ? fs::path() : fs::absolute(options.pngDir, ec);
    const fs::path mp4File = options.mp4File.empty() ? fs::path() : fs::absolute(options.mp4File, ec);
    fs::current_path(options.root, ec);
    if (ec) return fail("cannot work in " + options.root + ": " + ec.message());

    CaptureSession session;
    if (!session.open(options.width, options.height, error)) return fail("no window to render in: " + error);

    // The encoder starts once there is something to give it.
    const std::vector<double> times = options.frameTimes();
    std::unique_ptr<FrameSink> sink;
    if (!options.mp4File.empty()) {
        auto mp4 = std::make_unique<Mp4Sink>(mp4File.string(), kMusic, options.width, options.height, options.fps,
                                             options.from, static_cast<double>(times.size()) / options.fps);
        if (!mp4->start(error)) return fail(error);
        sink = std::move(mp4);
    } else {
        sink = std::make_unique<PngSink>(pngDir.string(), !options.at.empty());
    }

    Progress progress(times.size(), !options.quiet);
    std::vector<uint8_t> frame;
    for (size_t i = 0; i < times.size(); ++i) {
        session.renderFrame(times[i], frame);
        if (!sink->write(frame, options.width, options.height, times[i], error)) return fail(error);
        progress.frameDone(i + 1);
    }
    progress.finish();
    if (!sink->finish(error)) return fail(error);
    std::printf("\nquellin-capture: %zu frames written to %s\n", times.size(),
                options.mp4File.empty() ? pngDir.string().c_str() : mp4File.string().c_str());
    return 0;
}
