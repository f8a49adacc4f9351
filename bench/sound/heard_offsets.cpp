// Plays a click track through the music back end on whatever output it picks
// (QUELLIN_AUDIO, PULSE_LATENCY_MSEC choose), records the sound server's
// default sink as it plays it, and compares the position the back end
// reported at the moment each click was heard with the click's place in the
// track. Needs a running sound server with the sink the back end plays to.
//
//   heard_offsets [--seconds S] [--seek-at A --seek-to B] [--fail-above-ms M] [--warm-up W]
//                 [--player COMMAND...]
//
// With --player the clicks are played by another program (click_player, for
// instance the Windows build's under Wine: --player scripts/with-wine.sh
// build-windows/click_player.exe), which is given TRACK SECONDS WARM-UP
// [SEEK-AT SEEK-TO] after COMMAND and prints its readings; everything after
// --player is the command.
//
// Prints the offsets (reported minus heard, in ms; positive: the position is
// ahead of the sound) and how long the position held after the seek. Exits 1
// when too few clicks were heard or an offset is larger than M.
#include "bench/sound/ClickTrack.h"
#include "bench/sound/MonitorRecorder.h"
#include "bench/sound/PlayerProcess.h"
#include "platform/Audio.h"
#include "platform/AudioDecode.h"
#include "platform/Platform.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Options {
    double seconds = 30;
    double seekAt = -1;
    double seekTo = 0;
    double failAboveMs = -1;
    double warmUp = 2.5;
    std::vector<std::string> player;  // empty: the clicks are played here
};

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--player" && i + 1 < argc) {
            o.player.assign(argv + i + 1, argv + argc);
            return o;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", name.c_str());
            std::exit(2);
        }
        const double value = std::atof(argv[i + 1]);
        if (name == "--seconds") o.seconds = value;
        else if (name == "--seek-at") o.seekAt = value;
        else if (name == "--seek-to") o.seekTo = value;
        else if (name == "--fail-above-ms") o.failAboveMs = value;
        else if (name == "--warm-up") o.warmUp = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", name.c_str());
            std::exit(2);
        }
    }
    return o;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// What was played: the reported positions on our clock, when the track
// started over and when it was sought.
struct Played {
    std::vector<Reading> log;
    int64_t begin = 0;
    int64_t seekTicks = -1;
    std::string output;
};

// The clicks played by the back end in this process.
Played playHere(const Options& options, const std::string& track)
{
    platform::AudioInit(-1, platform::kAudioRate);
    const platform::AudioHandle channel = platform::SampleGetChannel(platform::SampleLoad(track));
    platform::Start();
    // A null sink sleeps in blocks of two seconds while idle and takes that
    // long to follow a new stream: play a while first, then start over.
    platform::ChannelPlay(channel, true);
    platform::Sleep(static_cast<uint32_t>(options.warmUp * 1000));
    platform::ChannelPlay(channel, true);

    Played played;
    played.begin = platform::TicksNow();
    for (int64_t now = played.begin; now - played.begin < static_cast<int64_t>(options.seconds * kTicksPerSecond);
         now = platform::TicksNow()) {
        if (options.seekAt >= 0 && played.seekTicks < 0 &&
            now - played.begin >= static_cast<int64_t>(options.seekAt * kTicksPerSecond)) {
            platform::ChannelSetPosition(channel, static_cast<int64_t>(options.seekTo * platform::kAudioRate) * 4);
            played.seekTicks = platform::TicksNow();
        }
        played.log.push_back({platform::TicksNow(), platform::ChannelGetPosition(channel)});
        platform::Sleep(1);
    }
    played.output = platform::AudioOutputName();
    return played;
}

// The clicks played by the player program; false when it failed.
bool playThere(const Options& options, const std::string& track, Played& played)
{
    std::vector<std::string> command = options.player;
    command.insert(command.end(), {track, number(options.seconds), number(options.warmUp)});
    if (options.seekAt >= 0) command.insert(command.end(), {number(options.seekAt), number(options.seekTo)});
    PlayerRun run;
    std::string error;
    const bool ok = runPlayer(command, run, error);
    std::fputs(run.lines.c_str(), stdout);
    if (!ok) {
        std::printf("player: %s\n", error.c_str());
        return false;
    }
    std::printf("player's clock: ours minus its %+.3f ms, drifting %+.1f ppm; each second's least delay within %.3f ms "
                "of that line\n", run.offsetMs, run.driftPpm, run.fitMs);
    played.log = std::move(run.log);
    played.begin = run.begin;
    played.seekTicks = run.seek;
    played.output = run.output;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    const double trackSeconds = std::max(options.seconds, options.seekTo + options.seconds) + 2;
    const auto dir = std::filesystem::temp_directory_path() / ("quellin-heard-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string track = (dir / "clicks.mp3").string();
    // The clicks' places as the back end's decoder delivers them.
    std::string error;
    const std::vector<int64_t> clicks = writeClickTrack(track, trackSeconds, error);
    if (clicks.empty()) {
        std::printf("cannot decode the click track: %s\n", error.c_str());
        return 1;
    }

    // The recorder keeps its own small fragments; PULSE_LATENCY_MSEC is for
    // the back end's stream only.
    const char* latency = std::getenv("PULSE_LATENCY_MSEC");
    const std::string asked = latency ? latency : "";
    unsetenv("PULSE_LATENCY_MSEC");
    MonitorRecorder recorder;
    const bool recording = recorder.start(error);
    if (!asked.empty()) setenv("PULSE_LATENCY_MSEC", asked.c_str(), 1);
    if (!recording) {
        std::printf("cannot record the sink's monitor: %s\n", error.c_str());
        return 1;
    }
    Played played;
    if (options.player.empty()) played = playHere(options, track);
    const bool playedThere = options.player.empty() || playThere(options, track, played);
    const std::vector<Reading>& log = played.log;
    const int64_t begin = played.begin;
    const int64_t seekTicks = played.seekTicks;
    recorder.stop();
    std::filesystem::remove_all(dir);
    if (!playedThere) return 1;

    // Each click heard, against the position reported at that moment. Not
    // compared: clicks heard within 250 ms of a seek or of the restart (the
    // sink rewinds what it had rendered from the old place, but its monitor
    // has already passed that on) and clicks heard while the position holds.
    std::vector<double> offsets;
    int skipped = 0;
    const auto nearSeek = [&](double ticks) {
        const auto window = 0.25 * kTicksPerSecond;
        return ticks < static_cast<double>(begin) + window ||
               (seekTicks >= 0 && ticks >= static_cast<double>(seekTicks) && ticks < static_cast<double>(seekTicks) + window);
    };
    for (int64_t frame : onsets(recorder.samples())) {
        const double ticks = recorder.heardTicks(frame);
        double reported = 0;
        if (ticks < static_cast<double>(begin)) continue;
        if (nearSeek(ticks) || !reportedAt(log, ticks, reported)) {
            ++skipped;
            continue;
        }
        offsets.push_back((reported - static_cast<double>(nearestClick(clicks, reported))) * 1000.0 / platform::kAudioRate);
    }

    const char* output = played.output.c_str();
    const auto expected = static_cast<size_t>(options.seconds / kClickSpacing);
    if (offsets.size() < expected / 2) {
        std::printf("%s: only %zu of about %zu clicks heard and matched\n", output, offsets.size(), expected);
        return 1;
    }
    std::vector<double> sizes;
    for (double o : offsets) sizes.push_back(std::fabs(o));
    const double largest = *std::max_element(sizes.begin(), sizes.end());
    std::printf("%s: %zu clicks; reported - heard: median %+.1f ms (p1 %+.1f, p99 %+.1f); "
                "|reported - heard|: median %.1f ms, p99 %.1f ms, largest %.1f ms\n",
                output, offsets.size(), quantile(offsets, 0.5), quantile(offsets, 0.01), quantile(offsets, 0.99),
                quantile(sizes, 0.5), quantile(sizes, 0.99), largest);
    bool seekRead = true;
    if (seekTicks >= 0) {
        // The position reads the target at once and holds until the target is heard.
        const auto target = static_cast<int64_t>(options.seekTo * platform::kAudioRate) * 4;
        const auto after = std::find_if(log.begin(), log.end(), [&](const Reading& r) { return r.ticks > seekTicks; });
        const auto moving = std::find_if(after, log.end(), [&](const Reading& r) { return r.position > target; });
        seekRead = after != log.end() && after->position >= target && after->position < target + platform::kAudioBytesPerSecond / 100;
        std::printf("seek to %.2f s: read %.4f s right after; held %.1f ms until the new place was heard; %d clicks not compared\n",
                    options.seekTo, after != log.end() ? static_cast<double>(after->position) / platform::kAudioBytesPerSecond : -1.0,
                    moving != log.end() ? static_cast<double>(moving->ticks - seekTicks) / 1e4 : -1.0, skipped);
    }
    if (!seekRead) {
        std::printf("FAIL: the position did not read the new place right after the seek\n");
        return 1;
    }
    if (options.failAboveMs >= 0 && largest > options.failAboveMs) {
        std::printf("FAIL: an offset of %.1f ms, more than %.0f ms\n", largest, options.failAboveMs);
        return 1;
    }
    return 0;
}
