// bench_frame [WxH ...] [--rounds N]: for each size, the render time of one
// frame in every window of the show's timeline, each against a frame that draws
// no geometry (only the clear and the three passes), measured side by side in
// rounds; then the CPU time to build the dancer vertex lists of each window's
// frame, and the time developer mode spends each frame asking whether a file
// the show was built from changed. Run from the repository root with the show
// data made.
#include "app/TDemoApp.h"
#include "bench/frame/ShowMoments.h"
#include "parts/dancers/DancerSchedule.h"
#include "parts/dancers/DancerVertices.h"
#include "parts/dancers/Part_Dancers.h"
#include "tools/capture/CaptureSession.h"

#include <GL/glew.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the whole process (all of the GL driver's threads), in ms: on
// a machine shared with other work it varies far less than the wall clock.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct FrameCost {
    double wallMs;
    double cpuMs;
};

FrameCost renderFrame(Part_Dancers& part, float t)
{
    part.ttime = t;
    const double cpu = processCpuMs();
    const Clock::time_point start = Clock::now();
    part.render();
    ResetGLState();
    glFinish();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), processCpuMs() - cpu};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median CPU time (microseconds) to build every dancer of the frame at t.
double buildMicros(Part_Dancers& part, float t, int repeats)
{
    DancerVertexLists lists;
    std::vector<Point3> previous;
    std::vector<Point3> world;
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        const Clock::time_point start = Clock::now();
        previous.clear();
        for (const DancerCall& call : dancersAt(t, part.closeupStart, part.closeupEnd)) {
            const DanceSequence& sequence = part.sequences[call.slot];
            const FrameChoice choice = chooseFrame(call.rate, call.start, t, sequence.frames.size());
            if (!choice.valid) continue;
            DancerPose pose;
            pose.f = choice.f;
            pose.placement = DancerPlacement(call.place, call.angle, 0.3f);
            pose.keep = call.keep;
            pose.t = t;
            pose.fftBeat = part.fftBeat;
            buildDancerVertices(sequence.frames[choice.index], pose, previous, lists, world);
            std::swap(previous, world);
        }
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return median(times);
}

// Median wall time (microseconds) of one frame's look for changed files,
// when nothing changed: what developer mode adds to every frame.
double changeCheckMicros(Part_Dancers& part, int repeats)
{
    part.reloadChangedFiles();  // the first call also shows what did not build at load
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        const Clock::time_point start = Clock::now();
        part.reloadChangedFiles();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return median(times);
}

bool parseSize(const std::string& text, int& w, int& h)
{
    return std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2 && w >= 16 && h >= 16;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::pair<int, int>> sizes;
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int w = 0, h = 0;
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (parseSize(arg, w, h)) {
            sizes.emplace_back(w, h);
        } else {
            std::fprintf(stderr, "usage: bench_frame [WxH ...] [--rounds N]\n");
            return 2;
        }
    }
    if (sizes.empty()) sizes = {{1280, 720}, {1920, 1080}};

    for (const auto& [width, height] : sizes) {
        CaptureSession session;
        std::string error;
        // The part's loading report would drown the figures: it goes to /dev/null.
        std::fflush(stdout);
        const int savedStdout = dup(STDOUT_FILENO);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
        const bool opened = session.open(width, height, error);
        std::fflush(stdout);
        if (savedStdout >= 0) dup2(savedStdout, STDOUT_FILENO);
        if (devNull >= 0) close(devNull);
        if (savedStdout >= 0) close(savedStdout);
        if (!opened) {
            std::fprintf(stderr, "bench_frame: no window: %s\n", error.c_str());
            return 1;
        }
        Part_Dancers& part = session.part();
        if (part.sequences[0].frames.empty()) {
            std::fprintf(stderr, "bench_frame: no show data; run scripts/make-show-data.sh first\n");
            return 1;
        }
        // Warm up every path once (shader compiles, buffers growing).
        renderFrame(part, kPassesAlone);
        for (const ShowMoment& w : kShowMoments) renderFrame(part, w.t);

        std::vector<double> passesWall, passesCpu;
        std::vector<std::vector<double>> wall(std::size(kShowMoments)), cpu(std::size(kShowMoments));
        for (int r = 0; r < rounds; ++r) {
            // Side by side: the passes alone, then every window, a frame apart in time.
            const float step = static_cast<float>(r) / 30.0f;
            const FrameCost base = renderFrame(part, kPassesAlone);
            passesWall.push_back(base.wallMs);
            passesCpu.push_back(base.cpuMs);
            for (size_t i = 0; i < std::size(kShowMoments); ++i) {
                const FrameCost c = renderFrame(part, kShowMoments[i].t + step);
                wall[i].push_back(c.wallMs);
                cpu[i].push_back(c.cpuMs);
            }
        }
        const double baseWall = median(passesWall);
        const double baseCpu = median(passesCpu);
        std::printf("\n%dx%d, %d rounds, medians per frame (render + glFinish)\n", width, height, rounds);
        std::printf("  %-36s %9s %7s %9s %7s\n", "", "wall ms", "ratio", "CPU ms", "ratio");
        std::printf("  %-36s %9.1f %6.2fx %9.1f %6.2fx\n", "passes alone (67.9 s)", baseWall, 1.0, baseCpu, 1.0);
        double worstWall = 0, worstCpu = 0;
        for (size_t i = 0; i < std::size(kShowMoments); ++i) {
            const double w = median(wall[i]);
            const double c = median(cpu[i]);
            worstWall = std::max(worstWall, w / baseWall);
            worstCpu = std::max(worstCpu, c / baseCpu);
            std::printf("  %-36s %9.1f %6.2fx %9.1f %6.2fx\n", kShowMoments[i].name, w, w / baseWall, c, c / baseCpu);
        }
        std::printf("  heaviest window / passes alone: %.2fx wall, %.2fx CPU (target 1.50x)\n", worstWall, worstCpu);

        std::printf("  dancer vertex lists, CPU per frame (median of 50):\n");
        for (const ShowMoment& w : kShowMoments)
            std::printf("    %-34s %8.0f us\n", w.name, buildMicros(part, w.t, 50));

        const size_t files = part.progThatch.sources.size() + part.progFinal.sources.size() +
                             part.progFinal2.sources.size() + part.progCloud.sources.size() +
                             part.keyframeSources.size();
        const double checkMs = changeCheckMicros(part, 500) / 1000.0;
        std::printf("  developer mode's change checks, %zu files, per frame (median of 500): %.1f us = %.4f%% of "
                    "the passes-alone frame, %.3f%% of a 60 Hz frame (16.7 ms); target < 1%%\n",
                    files, checkMs * 1000.0, 100.0 * checkMs / baseWall, 100.0 * checkMs / (1000.0 / 60.0));
        std::fflush(stdout);
    }
    return 0;
}
