// Plays a click track through the music back end on whatever output it picks
// (QUELLIN_AUDIO, PULSE_LATENCY_MSEC choose), records the sound server's
// default sink as it plays it, and compares the position the back end
// reported at the moment each click was heard with the click's place in the
// track. Needs a running sound server with the sink the back end plays to.
//
//   heard_offsets [--seconds S] [--seek-at A --seek-to B] [--fail-above-ms M] [--warm-up W]
//
// Prints the offsets (reported minus heard, in ms; positive: the position is
// ahead of the sound) and how long the position held after the seek. Exits 1
// when too few clicks were heard or an offset is larger than M.
#include "bench/sound/MonitorRecorder.h"
#include "platform/Audio.h"
#include "platform/AudioDecode.h"
#include "platform/Platform.h"
#include "tools/showgen/Mp3Codec.h"

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

constexpr double kClickSpacing = 0.5;  // seconds between clicks
constexpr double kTicksPerSecond = 1e7;

struct Options {
    double seconds = 30;
    double seekAt = -1;
    double seekTo = 0;
    double failAboveMs = -1;
    double warmUp = 2.5;
};

// Clicks of 3 kHz at 0.8 of full scale, 10 ms long, every half second from
// 0.25 s on; silence between them.
showgen::PcmStereo clickTrack(double seconds)
{
    showgen::PcmStereo pcm;
    const auto frames = static_cast<size_t>(seconds * platform::kAudioRate);
    pcm.samples.assign(2 * frames, 0);
    for (double at = 0.25; at + 0.02 < seconds; at += kClickSpacing) {
        const auto first = static_cast<size_t>(at * platform::kAudioRate);
        for (size_t n = 0; n < platform::kAudioRate / 100; ++n) {
            const auto v = static_cast<int16_t>(26000 * std::sin(2 * M_PI * 3000.0 * static_cast<double>(n) / platform::kAudioRate));
            pcm.samples[2 * (first + n)] = v;
            pcm.samples[2 * (first + n) + 1] = v;
        }
    }
    return pcm;
}

// Frames where the sound first passes a quarter of full scale after at least
// 0.2 s below it.
std::vector<int64_t> onsets(const std::vector<int16_t>& mono)
{
    std::vector<int64_t> found;
    int64_t quietSince = 0;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(int{mono[i]}) < 8192) continue;
        const auto here = static_cast<int64_t>(i);
        if (here - quietSince >= platform::kAudioRate / 5) found.push_back(here);
        quietSince = here;
    }
    return found;
}

struct Reading {
    int64_t ticks;
    int64_t position;  // bytes
};

// The reported position (in frames) at `ticks`, and whether it was moving
// then (not held at a seek's target or stopped).
bool reportedAt(const std::vector<Reading>& log, double ticks, double& frames)
{
    const auto after = std::lower_bound(log.begin(), log.end(), ticks,
                                        [](const Reading& r, double t) { return static_cast<double>(r.ticks) < t; });
    if (after == log.begin() || after == log.end()) return false;
    const Reading& a = *(after - 1);
    const Reading& b = *after;
    const double share = (ticks - static_cast<double>(a.ticks)) / static_cast<double>(std::max<int64_t>(b.ticks - a.ticks, 1));
    frames = (static_cast<double>(a.position) + share * static_cast<double>(b.position - a.position)) / platform::kAudioBytesPerFrame;
    // Held: no movement over 20 ms around the moment.
    const auto span = static_cast<int64_t>(0.01 * kTicksPerSecond);
    const auto lo = std::lower_bound(log.begin(), log.end(), a.ticks - span,
                                     [](const Reading& r, int64_t t) { return r.ticks < t; });
    const auto hi = std::lower_bound(log.begin(), log.end(), b.ticks + span,
                                     [](const Reading& r, int64_t t) { return r.ticks < t; });
    return hi != log.end() && hi->position > lo->position;
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
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

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    const double trackSeconds = std::max(options.seconds, options.seekTo + options.seconds) + 2;
    const auto dir = std::filesystem::temp_directory_path() / ("quellin-heard-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string track = (dir / "clicks.mp3").string();
    showgen::encodeMp3(clickTrack(trackSeconds), 192, track);

    // The clicks' places as the back end's decoder delivers them.
    platform::DecodedAudio decoded;
    std::string error;
    if (!platform::DecodeAudioFile(track, decoded, error)) {
        std::printf("cannot decode the click track: %s\n", error.c_str());
        return 1;
    }
    std::vector<int16_t> decodedMono(static_cast<size_t>(decoded.frames));
    for (size_t i = 0; i < decodedMono.size(); ++i)
        decodedMono[i] = static_cast<int16_t>((decoded.pcm[2 * i] + decoded.pcm[2 * i + 1]) / 2);
    const std::vector<int64_t> clicks = onsets(decodedMono);

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
    platform::AudioInit(-1, platform::kAudioRate);
    const platform::AudioHandle channel = platform::SampleGetChannel(platform::SampleLoad(track));
    platform::Start();
    // A null sink sleeps in blocks of two seconds while idle and takes that
    // long to follow a new stream: play a while first, then start over.
    platform::ChannelPlay(channel, true);
    platform::Sleep(static_cast<uint32_t>(options.warmUp * 1000));
    platform::ChannelPlay(channel, true);

    std::vector<Reading> log;
    const int64_t begin = platform::TicksNow();
    int64_t seekTicks = -1;
    for (int64_t now = begin; now - begin < static_cast<int64_t>(options.seconds * kTicksPerSecond); now = platform::TicksNow()) {
        if (options.seekAt >= 0 && seekTicks < 0 && now - begin >= static_cast<int64_t>(options.seekAt * kTicksPerSecond)) {
            platform::ChannelSetPosition(channel, static_cast<int64_t>(options.seekTo * platform::kAudioRate) * 4);
            seekTicks = platform::TicksNow();
        }
        log.push_back({platform::TicksNow(), platform::ChannelGetPosition(channel)});
        platform::Sleep(1);
    }
    recorder.stop();
    std::filesystem::remove_all(dir);

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
        const auto nearest = std::min_element(clicks.begin(), clicks.end(), [&](int64_t a, int64_t b) {
            return std::abs(static_cast<double>(a) - reported) < std::abs(static_cast<double>(b) - reported);
        });
        offsets.push_back((reported - static_cast<double>(*nearest)) * 1000.0 / platform::kAudioRate);
    }

    const char* output = platform::AudioOutputName();
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
