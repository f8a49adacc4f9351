// Plays the show's music through the system's output and prints, every
// 100 ms, the seconds since it started and the music's position in seconds,
// as "T POS"; the back end's own lines come in between. For scripts that
// upset the sound system while it plays.
//   music_position_log SECONDS
#include "platform/Audio.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!platform::AudioInit(-1, platform::kAudioRate)) return 1;
    const platform::AudioHandle channel = platform::SampleGetChannel(
        platform::SampleLoad("newresources//11_velisse_and_the_norrows_-_quellin_and_vessary.mp3"));
    if (channel == 0 || !platform::Start() || !platform::ChannelPlay(channel, true)) return 1;
    const int64_t start = platform::TicksNow();
    for (double now = 0; now < seconds;) {
        platform::Sleep(100);
        now = static_cast<double>(platform::TicksNow() - start) / 1e7;
        std::printf("%.3f %.3f\n", now,
                    static_cast<double>(platform::ChannelGetPosition(channel)) / platform::kAudioBytesPerSecond);
        std::fflush(stdout);
    }
    return 0;
}
