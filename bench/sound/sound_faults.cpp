// The faults of a real desktop's sound, met by the show's own clock: plays a
// click track through the music back end with the show's clock step (part of
// the dancers part, 60 steps a second, the frame time measured) while the
// sound server is upset on a schedule, and reports what a viewer would meet.
// Needs a private sound server (tests/support/with-sound-server.sh) and a
// display for the clock's spectrum strip (scripts/with-display.sh).
//
//   sound_faults [--seconds S] [--warm-up W] [--at T ACTION]... [--seek-past-end] [--check]
//
// ACTION is one of tests/support/sound-server.sh's: kill, start, stop, cont;
// at T = 0 it comes before the back end starts. The clock starts W seconds
// (default 2.5) after the music first played, with the music from the start
// again: a fresh null sink takes that long to follow a new stream. --seek-past-end asks every
// frame for a place past the end of the track (the back end refuses). It
// prints, per outage (kill or stop until the next start or cont, or the end):
// the clock's rate against real time (the slope through its steps), and until
// the music is heard again, the clock's seeks of the music, the frame's
// longest audio call and the busiest thread but the frame's; then when the
// music was heard after the server last answered and how far the reported
// position was from what was heard. --check exits 1 when a figure is out of
// its bound (below).
#include "app/TDemoApp.h"
#include "app/TGLWindow.h"
#include "bench/sound/ClickTrack.h"
#include "bench/sound/MonitorRecorder.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Audio.h"
#include "platform/Platform.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The bounds of --check, generous for a shared machine whose load starves the
// sound server now and then (each far from what the faults gave).
//
// Over an outage the music runs on in real time (a frozen position moved only
// when seeked to the clock), and the clock with it, within 2 %
// when it was in step (within kInStepMs) as the server went: a clock ahead of
// a starved server's music spends the outage coming back to it.
constexpr double kRateTolerance = 0.01;
constexpr double kClockRateTolerance = 0.02;
constexpr double kInStepMs = 50;
constexpr int kSeeksPerOutage = 1;
constexpr double kBusiestThreadShare = 0.05;   // of one core (a spinning writer took 14 to 97 %)
constexpr double kAudioCallP99Ms = 20;         // the frame's audio calls (they took 86 to 116 ms)
constexpr double kHeardAgainWithin = 5.0;      // seconds after the server answers
constexpr double kHeardOffsetMs = 30;          // median |reported - heard| once settled again
// A null sink takes about two seconds to follow a new stream steadily (it
// renders in long blocks while idle), which a sound card does not: offsets
// count from this long after the first click heard again.
constexpr double kSinkSettles = 2.0;
constexpr double kStartUpSeconds = 3.5;        // AudioInit on any server
// Refused seeks every frame: the music's jumps ahead of real time, as a share
// of the time (a drop of the queue at each gave more than the time itself).
constexpr double kJumpsShare = 0.25;

constexpr double kFrameSeconds = 1.0 / 60;
// A frame this late was held up by the machine, not by the sound.
constexpr double kLateFrame = 0.1;

struct Action {
    double at;
    std::string what;
};

struct Options {
    double seconds = 12;
    double warmUp = 2.5;
    std::vector<Action> actions;
    bool seekPastEnd = false;
    bool check = false;
};

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--seconds" && i + 1 < argc) o.seconds = std::atof(argv[++i]);
        else if (name == "--warm-up" && i + 1 < argc) o.warmUp = std::atof(argv[++i]);
        else if (name == "--at" && i + 2 < argc) {
            const double at = std::atof(argv[i + 1]);
            o.actions.push_back({at, argv[i + 2]});
            i += 2;
        } else if (name == "--seek-past-end") o.seekPastEnd = true;
        else if (name == "--check") o.check = true;
        else {
            std::printf("unknown option %s\n", name.c_str());
            std::exit(2);
        }
    }
    std::sort(o.actions.begin(), o.actions.end(), [](const Action& a, const Action& b) { return a.at < b.at; });
    return o;
}

double secondsSince(int64_t begin, int64_t ticks)
{
    return static_cast<double>(ticks - begin) / kTicksPerSecond;
}

bool serverControl(const std::string& what)
{
    const char* control = std::getenv("QUELLIN_SOUND_SERVER");
    if (!control) {
        std::printf("QUELLIN_SOUND_SERVER is not set: run beside tests/support/with-sound-server.sh\n");
        std::exit(2);
    }
    return std::system((std::string(control) + " " + what).c_str()) == 0;
}

// CPU time (seconds) of each thread of this process but `frameThread`.
std::map<int, double> otherThreadsCpu(int frameThread)
{
    std::map<int, double> cpu;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return cpu;
    while (dirent* entry = readdir(tasks)) {
        const int tid = std::atoi(entry->d_name);
        if (tid <= 0 || tid == frameThread) continue;
        std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // Fields after the name in parentheses; utime and stime are the 14th and 15th.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int n = 3; rest >> field; ++n) {
            if (n == 14) utime = std::atof(field.c_str());
            if (n == 15) {
                stime = std::atof(field.c_str());
                break;
            }
        }
        cpu[tid] = (utime + stime) / tick;
    }
    closedir(tasks);
    return cpu;
}

// The largest share of a core any other thread used between two snapshots.
double busiestShare(const std::map<int, double>& before, const std::map<int, double>& after, double seconds)
{
    double busiest = 0;
    for (const auto& [tid, cpu] : after) {
        const auto was = before.find(tid);
        busiest = std::max(busiest, cpu - (was == before.end() ? 0.0 : was->second));
    }
    return seconds > 0 ? busiest / seconds : 0;
}

struct Step {
    int64_t ticks;
    double ttime;
    double music;    // seconds, read just before the clock's step
    double callMs;   // the frame's audio calls: the clock's step and one position read
};

struct Outage {
    double from;     // seconds since the start of the clock
    double to;
    std::map<int, double> cpuBefore;
    std::map<int, double> cpuAfter;
};

// A recording of the sink from one moment the server answered.
struct Recording {
    double from;
    std::unique_ptr<MonitorRecorder> recorder;
};

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    const auto dir = std::filesystem::temp_directory_path() / ("quellin-faults-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string track = (dir / "clicks.mp3").string();
    std::string error;
    const std::vector<int64_t> clicks = writeClickTrack(track, options.seconds + 4, error);
    if (clicks.empty()) {
        std::filesystem::remove_all(dir);
        std::printf("cannot make the click track: %s\n", error.c_str());
        return 1;
    }

    // The clock's step uploads the spectrum strip: it needs a GL context.
    TGLWindow window;
    if (!window.Init(0, 0, 64, 64, false)) {
        std::printf("no window: %s\n", window.failure.c_str());
        return 1;
    }

    size_t nextAction = 0;
    bool serverUp = true;
    while (nextAction < options.actions.size() && options.actions[nextAction].at <= 0) {
        const std::string& what = options.actions[nextAction++].what;
        serverControl(what);
        serverUp = what == "start" || what == "cont";
    }
    const int frameThread = static_cast<int>(gettid());
    std::vector<Outage> outages;
    if (!serverUp) outages.push_back({0, options.seconds, otherThreadsCpu(frameThread), {}});

    const int64_t initStart = platform::TicksNow();
    platform::AudioInit(-1, platform::kAudioRate);
    const double initSeconds = secondsSince(initStart, platform::TicksNow());
    std::printf("start-up: AudioInit took %.2f s\n", initSeconds);

    // A surface that nobody touches: the clock runs.
    MyNanoKONTROL2 nano;
    TLiveControls ctrl;
    ctrl._nano = &nano;
    Part_Dancers part;
    part.ctrl = &ctrl;
    part.sample = platform::SampleLoad(track);
    std::filesystem::remove_all(dir);
    platform::Start();
    part.channel = platform::SampleGetChannel(part.sample);
    platform::ChannelPlay(part.channel, true);
    platform::Sleep(static_cast<uint32_t>(options.warmUp * 1000));
    platform::ChannelPlay(part.channel, true);

    // The server is upset on a thread of its own, so that the frames run on
    // meanwhile as they would; a server back is recorded from then on.
    std::mutex eventsLock;
    std::vector<Recording> recordings;
    const auto record = [&](double at) {
        auto recorder = std::make_unique<MonitorRecorder>();
        std::string why;
        if (!recorder->start(why)) {
            std::printf("no recording of the sink from %.2f s: %s\n", at, why.c_str());
            return;
        }
        const std::lock_guard<std::mutex> guard(eventsLock);
        recordings.push_back({at, std::move(recorder)});
    };
    if (serverUp) record(0);

    const int64_t begin = platform::TicksNow();
    std::thread upsets([&] {
        for (; nextAction < options.actions.size(); ++nextAction) {
            const Action& action = options.actions[nextAction];
            const double wait = action.at - secondsSince(begin, platform::TicksNow());
            if (wait > 0) platform::Sleep(static_cast<uint32_t>(wait * 1000));
            const bool down = action.what == "kill" || action.what == "stop";
            const double at = secondsSince(begin, platform::TicksNow());
            if (down) {
                const std::lock_guard<std::mutex> guard(eventsLock);
                outages.push_back({at, options.seconds, otherThreadsCpu(frameThread), {}});
            }
            if (!serverControl(action.what)) std::printf("the server did not %s\n", action.what.c_str());
            const double done = secondsSince(begin, platform::TicksNow());
            if (!down) {
                {
                    const std::lock_guard<std::mutex> guard(eventsLock);
                    if (!outages.empty() && outages.back().cpuAfter.empty()) {
                        outages.back().to = done;
                        outages.back().cpuAfter = otherThreadsCpu(frameThread);
                    }
                }
                record(done);
            }
        }
    });

    std::vector<Step> steps;
    std::vector<Reading> readings;
    int64_t last = begin;
    for (int frame = 0;; ++frame) {
        const int64_t due = begin + static_cast<int64_t>(frame * kFrameSeconds * kTicksPerSecond);
        const int64_t now = platform::TicksNow();
        if (due > now) platform::Sleep(static_cast<uint32_t>((due - now) / 10'000));
        const int64_t ticks = platform::TicksNow();
        if (secondsSince(begin, ticks) >= options.seconds) break;

        ctrl._dt = static_cast<float>(static_cast<double>(ticks - last) / kTicksPerSecond);
        last = ticks;
        const int64_t callStart = platform::TicksNow();
        const int64_t position = platform::ChannelGetPosition(part.channel);  // as the picture's "beat" reads it
        const double music = static_cast<double>(position) / platform::kAudioBytesPerSecond;
        const double ttime = part.ttime;
        if (options.seekPastEnd) platform::ChannelSetPosition(part.channel, int64_t{1} << 40);
        part.update();
        const int64_t callEnd = platform::TicksNow();
        steps.push_back({ticks, ttime, music, static_cast<double>(callEnd - callStart) / 1e4});
        readings.push_back({callStart, position});
    }
    upsets.join();
    if (steps.size() < 3) {
        std::printf("too short a run to measure\n");
        std::_Exit(options.check ? 1 : 0);
    }
    if (std::getenv("SOUND_FAULTS_DEBUG"))
        for (const Step& s : steps)
            if (static_cast<int>(secondsSince(begin, s.ticks) * 60) % 6 == 0)
                std::printf("  step %.3f s: clock %.4f music %.4f (%+.1f ms)\n", secondsSince(begin, s.ticks), s.ttime, s.music,
                            1000 * (s.ttime - s.music));
    for (Outage& o : outages)
        if (o.cpuAfter.empty()) o.cpuAfter = otherThreadsCpu(frameThread);
    for (Recording& r : recordings) r.recorder->stop();
    bool ok = true;
    const auto fail = [&](const std::string& why) {
        std::printf("%s: %s\n", options.check ? "FAIL" : "out of bounds", why.c_str());
        ok = false;
    };
    if (initSeconds > kStartUpSeconds) fail("AudioInit took more than 3.5 s");

    // What the sink played from each moment the server answered: when the
    // music was first heard, and each click heard later than the sink takes
    // to settle, against the position reported at that moment.
    struct Heard {
        double first = -1;
        std::vector<double> offsets;  // ms, reported - heard
    };
    const auto heardIn = [&](const Recording& r) {
        Heard heard;
        for (int64_t onset : onsets(r.recorder->samples())) {
            const double ticks = r.recorder->heardTicks(onset);
            if (ticks < 0) continue;
            const double t = (ticks - static_cast<double>(begin)) / kTicksPerSecond;
            if (t < r.from) continue;
            if (heard.first < 0) heard.first = t;
            double reported = 0;
            if (t < heard.first + kSinkSettles || !reportedAt(readings, ticks, reported)) continue;
            heard.offsets.push_back((reported - static_cast<double>(nearestClick(clicks, reported))) * 1000.0 / platform::kAudioRate);
            if (std::getenv("SOUND_FAULTS_DEBUG")) std::printf("  click heard at %.3f s: offset %.1f ms\n", t, heard.offsets.back());
        }
        return heard;
    };
    const auto stepAt = [&](double t) {
        const auto found = std::find_if(steps.begin(), steps.end(), [&](const Step& s) { return secondsSince(begin, s.ticks) >= t; });
        return found == steps.end() ? steps.back() : *found;
    };
    // The clock's seeks of the music (a step a quarter second off). Counted
    // apart: those right after a late frame, which the clock makes by itself
    // (it adds the last frame's time while the music moved by this one's), as
    // a loaded machine that holds up the frame does.
    struct Seeks {
        int music = 0;
        int lateFrame = 0;
    };
    const auto seeksBetween = [&](double from, double to) {
        Seeks seeks;
        for (size_t i = 2; i < steps.size(); ++i) {
            const Step& s = steps[i];
            const double t = secondsSince(begin, s.ticks);
            if (t < from || t >= to || s.ttime < 0 || std::fabs(s.ttime - s.music) <= 0.25) continue;
            const bool late = secondsSince(steps[i - 1].ticks, s.ticks) > kLateFrame ||
                              secondsSince(steps[i - 2].ticks, steps[i - 1].ticks) > kLateFrame;
            ++(late ? seeks.lateFrame : seeks.music);
            if (std::getenv("SOUND_FAULTS_DEBUG"))
                std::printf("  seek at %.3f s: clock %.3f, music %.3f%s\n", t, s.ttime, s.music, late ? " (late frame)" : "");
        }
        return seeks;
    };
    // The music's pace against real time: the median over the frames of how
    // far it moved for the time the frame took (a seek moves it in one frame).
    const auto musicPace = [&](double from, double to) {
        std::vector<double> paces;
        for (size_t i = 1; i < steps.size(); ++i) {
            const double t = secondsSince(begin, steps[i].ticks);
            if (t <= from || t > to) continue;
            paces.push_back((steps[i].music - steps[i - 1].music) / secondsSince(steps[i - 1].ticks, steps[i].ticks));
        }
        return paces.empty() ? 0.0 : quantile(paces, 0.5);
    };
    // The clock's rate against real time: the slope of a straight line
    // through its steps, so that one frame longer than the one before does
    // not count.
    const auto clockRate = [&](double from, double to) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const Step& s : steps) {
            const double t = secondsSince(begin, s.ticks);
            if (t < from || t > to) continue;
            n += 1;
            sx += t;
            sy += s.ttime;
            sxx += t * t;
            sxy += t * s.ttime;
        }
        return n > 2 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0.0;
    };
    const auto callsBetween = [&](double from, double to) {
        std::vector<double> calls;
        for (const Step& s : steps) {
            const double t = secondsSince(begin, s.ticks);
            if (t >= from && t < to) calls.push_back(s.callMs);
        }
        if (calls.empty()) calls.push_back(0);
        return calls;
    };

    // Each outage: the clock while the server is away; the seeks, threads and
    // calls until the music is heard again.
    for (const Outage& o : outages) {
        const Step a = stepAt(o.from);
        const Step b = stepAt(o.to);
        const double clock = clockRate(o.from, o.to);
        const double music = musicPace(o.from, o.to);
        const double inStep = 1000 * (a.ttime - a.music);
        const auto back = std::find_if(recordings.begin(), recordings.end(), [&](const Recording& r) { return r.from >= o.to; });
        const Heard heard = back == recordings.end() ? Heard{} : heardIn(*back);
        const double until = heard.first >= 0 ? heard.first : options.seconds;
        const Seeks seeks = seeksBetween(o.from, until);
        const double busiest = busiestShare(o.cpuBefore, o.cpuAfter, o.to - o.from);
        const std::vector<double> calls = callsBetween(o.from, until);
        std::printf("outage %.2f-%.2f s: the clock ran %.4fx real time (%.3f -> %.3f s; clock - music %+.1f ms before, "
                    "%+.1f ms at the end), the music at %.4fx; until the music was heard again (%.2f s): %d seeks of the "
                    "music (and %d after a late frame), the frame's audio calls p99 %.2f ms, largest %.2f ms; busiest "
                    "other thread %.1f %% of a core\n",
                    o.from, o.to, clock, a.ttime, b.ttime, inStep, 1000 * (b.ttime - b.music), music, until, seeks.music,
                    seeks.lateFrame, quantile(calls, 0.99), quantile(calls, 1), 100 * busiest);
        if (std::fabs(music - 1) > kRateTolerance) fail("the music did not run on in real time over the outage");
        if (std::fabs(inStep) <= kInStepMs && std::fabs(clock - 1) > kClockRateTolerance)
            fail("the clock's rate over the outage is off real time");
        if (seeks.music > kSeeksPerOutage) fail("more than one seek of the music for one outage");
        if (busiest > kBusiestThreadShare) fail("a thread of the back end kept a core busy");
        if (quantile(calls, 0.99) > kAudioCallP99Ms) fail("the frame's audio calls took longer than 20 ms");
    }

    std::vector<double> calls;
    for (const Step& s : steps) calls.push_back(s.callMs);
    std::printf("frame audio calls (clock step and a position read): median %.3f ms, p99 %.3f ms, largest %.2f ms over %zu frames; "
                "%d seeks of the music in all (but those after a late frame)\n",
                quantile(calls, 0.5), quantile(calls, 0.99), quantile(calls, 1), calls.size(), seeksBetween(0, options.seconds).music);

    if (options.seekPastEnd) {
        // The music's moves beyond real time from one frame to the next.
        double ahead = 0;
        for (size_t i = 1; i < steps.size(); ++i) {
            const double jump = (steps[i].music - steps[i - 1].music) - secondsSince(steps[i - 1].ticks, steps[i].ticks);
            if (jump > 0.005) ahead += jump;
        }
        const Step& a = steps.front();
        const Step& b = steps.back();
        const Seeks seeks = seeksBetween(0, options.seconds);
        std::printf("seeks past the end every frame: the music moved %.2f s in %.2f s, jumped ahead %.2f s in all; "
                    "%d seeks of the music\n",
                    b.music - a.music, secondsSince(a.ticks, b.ticks), ahead, seeks.music);
        if (ahead > kJumpsShare * secondsSince(a.ticks, b.ticks)) fail("refused seeks moved the music");
    }

    // The sound at the sink from when the server last answered.
    if (!recordings.empty() && options.seconds - recordings.back().from > kSinkSettles + 2) {
        const Recording& r = recordings.back();
        const Heard heard = heardIn(r);
        if (heard.first < 0) {
            std::printf("not heard: no click at the sink in the %.2f s after %.2f s\n", options.seconds - r.from, r.from);
            fail("the music was not heard at the sink");
        } else {
            std::vector<double> sizes;
            for (double o : heard.offsets) sizes.push_back(std::fabs(o));
            std::printf("heard from %.2f s (%.2f s after %.2f s); %zu clicks from %.1f s later, |reported - heard| median %.1f ms, "
                        "largest %.1f ms\n",
                        heard.first, heard.first - r.from, r.from, sizes.size(), kSinkSettles,
                        sizes.empty() ? -1.0 : quantile(sizes, 0.5), sizes.empty() ? -1.0 : quantile(sizes, 1));
            if (heard.first - r.from > kHeardAgainWithin) fail("the music was heard only 5 s after the server answered");
            if (sizes.size() < 2 || quantile(sizes, 0.5) > kHeardOffsetMs) fail("the position does not follow the sound");
        }
    }
    std::printf("output at the end: %s\n", platform::AudioOutputName());
    std::fflush(stdout);
    // The process ends here with the music still playing, as the show does.
    std::_Exit(options.check && !ok ? 1 : 0);
}
