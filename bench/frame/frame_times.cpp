// frame_times WxH FRAMES: the show's frames as a viewer gets them, timed one
// by one: the dancers part rendered at a moment of each timeline window in
// turn, the GL state reset, the driver finished, the window's buffers swapped
// and the driver finished again. Built from this one source for Linux and for
// Windows (run under Wine), so bench/frame/windows-against-linux.sh compares
// the two builds on the same driver. Run from the repository root with the
// show data made.
//
// Prints the GL renderer; "frame MS swap MS cpu MS" for each frame after a
// first round that compiles and fills everything once (the swap's share runs
// from the end of the finished rendering to the end of the finished swap);
// the mean colour of one frame; then "frames N median MS p90 MS, swap median
// MS, CPU median MS".
#include "app/TDemoApp.h"
#include "bench/frame/ShowMoments.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Audio.h"
#include "platform/Platform.h"

#include <GL/glew.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The window, the render targets and the part as the player makes them,
// without a controller; the music holds still where each frame puts it.
Part_Dancers* openShow(TDemoApp& app, int width, int height)
{
    if (!app.window.Init(0, 0, width, height, false)) return nullptr;
    app.width = width;
    app.height = height;
    app.CreateRenderTargets(width, height);
    TLiveControls& ctrl = app.controls;
    ctrl._k0 = ctrl._k1 = ctrl._k2 = ctrl._k3 = ctrl._k4 = -1.0f;
    ctrl._kx = ctrl._ky = ctrl._kz = -1.0f;
    ctrl._nx = ctrl._ny = ctrl._nz = -1.0f;
    ctrl._dt = 1.0f / 60.0f;
    platform::AudioInitManual();

    void* storage = ::operator new(sizeof(Part_Dancers));
    std::memset(storage, 0, sizeof(Part_Dancers));
    auto* part = new (storage) Part_Dancers();
    app.parts.push_back(part);
    part->app = &app;
    part->ctrl = &ctrl;
    part->load();
    return part;
}

// CPU time of the whole process (all of the driver's threads), in ms: on a
// machine shared with other work it varies far less than the wall clock.
// Wine counts it in the system's clock ticks (10 ms).
double processCpuMs()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& f) {
        return static_cast<double>((uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
#else
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
#endif
}

struct FrameTime {
    double totalMs;
    double swapMs;  // the swap and the driver's work for it
    double cpuMs;
};

// The show's frame at `t`, the music held there, drawn as the player draws it.
void drawAt(Part_Dancers& part, float t)
{
    part.ttime = t;
    platform::ChannelSetPosition(part.channel, static_cast<int64_t>(t * platform::kAudioRate) * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    part.render();
    ResetGLState();
}

FrameTime timeFrame(TDemoApp& app, Part_Dancers& part, float t)
{
    const double cpu = processCpuMs();
    const int64_t start = platform::TicksNow();
    drawAt(part, t);
    glFinish();
    const int64_t rendered = platform::TicksNow();
    SDL_GL_SwapWindow(app.window.window);
    glFinish();
    SDL_PumpEvents();
    const int64_t end = platform::TicksNow();
    return {static_cast<double>(end - start) / 1e4, static_cast<double>(end - rendered) / 1e4, processCpuMs() - cpu};
}

// The mean of each colour of the frame at `t`, read back before the swap:
// the two builds should draw the same picture.
void printPictureMeans(Part_Dancers& part, int width, int height, float t)
{
    drawAt(part, t);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    double sum[3] = {};
    for (size_t i = 0; i < rgb.size(); ++i) sum[i % 3] += rgb[i];
    const double pixels = static_cast<double>(width) * height;
    std::printf("picture at %.1f s: mean R %.2f G %.2f B %.2f\n", t, sum[0] / pixels, sum[1] / pixels, sum[2] / pixels);
}

double quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv)
{
    int width = 0, height = 0, frames = 0;
    if (argc != 3 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
        (frames = std::atoi(argv[2])) < 1) {
        std::fprintf(stderr, "usage: frame_times WxH FRAMES\n");
        return 2;
    }
    // Alive until the process ends, as in the player.
    auto* app = new TDemoApp();
    Part_Dancers* part = openShow(*app, width, height);
    if (!part) {
        std::printf("frame_times: no window: %s\n", app->window.failure.c_str());
        return 1;
    }
    if (part->sequences[0].frames.empty()) {
        std::printf("frame_times: no show data; run scripts/make-show-data.sh first\n");
        return 1;
    }
    std::printf("\nrenderer: %s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    for (const ShowMoment& m : kShowMoments) timeFrame(*app, *part, m.t);

    std::vector<double> times, swaps, cpus;
    for (int i = 0; i < frames; ++i) {
        const size_t moment = static_cast<size_t>(i) % std::size(kShowMoments);
        const float later = static_cast<float>(i / static_cast<int>(std::size(kShowMoments))) / 30.0f;
        const FrameTime frame = timeFrame(*app, *part, kShowMoments[moment].t + later);
        times.push_back(frame.totalMs);
        swaps.push_back(frame.swapMs);
        cpus.push_back(frame.cpuMs);
        std::printf("frame %.2f swap %.2f cpu %.2f\n", frame.totalMs, frame.swapMs, frame.cpuMs);
    }
    printPictureMeans(*part, width, height, kShowMoments[1].t);
    std::printf("frames %d median %.2f p90 %.2f, swap median %.2f, CPU median %.2f\n", frames, quantile(times, 0.5),
                quantile(times, 0.9), quantile(swaps, 0.5), quantile(cpus, 0.5));
    std::fflush(stdout);
    return 0;
}
