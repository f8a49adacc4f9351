// Plays a click track through the music back end and prints, as it plays,
// every position it reports with the time it was read, for a recorder in
// another process (heard_offsets --player) that cannot share our clock:
//
//   click_player TRACK SECONDS WARM-UP [SEEK-AT SEEK-TO]
//
// Lines: "begin T" when the track starts over after the warm-up, "at T P"
// every millisecond (T in this program's ticks, P in bytes), "seek T" right
// after the seek, "output NAME" at the end; the back end's own lines come in
// between. Each line is flushed at once: the recorder times its arrival.
#include "platform/Audio.h"
#include "platform/Platform.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: click_player TRACK SECONDS WARM-UP [SEEK-AT SEEK-TO]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const double warmUp = std::atof(argv[3]);
    const double seekAt = argc == 6 ? std::atof(argv[4]) : -1;
    const double seekTo = argc == 6 ? std::atof(argv[5]) : 0;

    if (!platform::AudioInit(-1, platform::kAudioRate)) return 1;
    const platform::AudioHandle channel = platform::SampleGetChannel(platform::SampleLoad(argv[1]));
    if (channel == 0 || !platform::Start()) return 1;
    // A null sink sleeps in blocks of two seconds while idle and takes that
    // long to follow a new stream: play a while first, then start over.
    platform::ChannelPlay(channel, true);
    platform::Sleep(static_cast<uint32_t>(warmUp * 1000));
    platform::ChannelPlay(channel, true);

    const int64_t begin = platform::TicksNow();
    std::printf("begin %" PRId64 "\n", begin);
    const auto ticks = [](double s) { return static_cast<int64_t>(s * 1e7); };
    bool seeked = false;
    for (int64_t now = begin; now - begin < ticks(seconds); now = platform::TicksNow()) {
        if (seekAt >= 0 && !seeked && now - begin >= ticks(seekAt)) {
            platform::ChannelSetPosition(channel, static_cast<int64_t>(seekTo * platform::kAudioRate) * 4);
            std::printf("seek %" PRId64 "\n", platform::TicksNow());
            seeked = true;
        }
        const int64_t at = platform::TicksNow();
        std::printf("at %" PRId64 " %" PRId64 "\n", at, platform::ChannelGetPosition(channel));
        std::fflush(stdout);
        platform::Sleep(1);
    }
    std::printf("output %s\n", platform::AudioOutputName());
    std::fflush(stdout);
    return 0;
}
