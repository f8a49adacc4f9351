// The music back end's choice of output without a sound server or ALSA
// device (these machines have no sound card), and its start-up refusals. Its
// places, seeks and pauses are tested on a real sound server in tests/sound/.
#include "platform/Audio.h"
#include "platform/Platform.h"
#include "platform/FftAnalyzer.h"
#include "tests/dancers/TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using namespace platform;

// The position over a stretch of real time, in bytes per second.
double measuredRate(AudioHandle channel, std::chrono::milliseconds span)
{
    using Clock = std::chrono::steady_clock;
    const int64_t p0 = ChannelGetPosition(channel);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(span);
    const int64_t p1 = ChannelGetPosition(channel);
    const auto t1 = Clock::now();
    return static_cast<double>(p1 - p0) / std::chrono::duration<double>(t1 - t0).count();
}

// Reads what a file descriptor received while `run` ran.
template <typename Run>
std::string capturedFrom(int fd, Run run)
{
    std::fflush(nullptr);
    FILE* file = std::tmpfile();
    const int saved = dup(fd);
    dup2(fileno(file), fd);
    run();
    std::fflush(nullptr);
    dup2(saved, fd);
    close(saved);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// Without a sound server or an ALSA device the back end tries both, in that
// order, falls back to SDL's dummy driver with a running position, and says
// why in its one line on standard output; the ALSA library's own complaints
// do not reach standard error. A child process, since the output is chosen
// once per process; the server is one that does not exist and ALSA's
// configuration names a card that does not either.
TEST(AudioFallback, NoServerNoAlsaDeviceGivesTheDummyDriverQuietly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    writeText(dir / "alsa.conf", "pcm.!default { type hw card 99 }\n");
    writeSineMp3(dir / "a.mp3", 2.0, 440.0);
    EXPECT_EXIT(
        {
            unsetenv("SDL_AUDIODRIVER");
            unsetenv("QUELLIN_AUDIO");
            setenv("PULSE_SERVER", ("unix:" + (dir / "no-server")).c_str(), 1);
            setenv("ALSA_CONFIG_PATH", (dir / "alsa.conf").c_str(), 1);
            std::string said;
            const std::string complained = capturedFrom(2, [&] {
                said = capturedFrom(1, [] { AudioInit(-1, kAudioRate); });
            });
            Start();
            const AudioHandle channel = SampleGetChannel(SampleLoad(dir / "a.mp3"));
            ChannelPlay(channel, true);
            const double rate = measuredRate(channel, std::chrono::milliseconds(600));
            const size_t server = said.find("no sound server (");
            const size_t alsa = said.find("no ALSA device (");
            const bool ordered = said.rfind("AudioInit() : ", 0) == 0 && said.find('\n') == said.size() - 1 &&
                                 server != std::string::npos && alsa != std::string::npos && server < alsa &&
                                 said.find("playing on SDL's dummy driver") != std::string::npos;
            std::fprintf(stderr, "output %s, rate %.0f, said [%s], stderr [%s]\n", AudioOutputName(), rate,
                         said.c_str(), complained.c_str());
            std::exit(ordered && complained.empty() && rate > 176400 * 0.9 && rate < 176400 * 1.1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "output dummy driver");
}

TEST(AudioInit, RefusesASecondInitAndOtherRates)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool wrongRate = AudioInit(-1, 48000);
            const bool clock = AudioInit(0, kAudioRate);
            const bool again = AudioInit(-1, kAudioRate);
            std::fprintf(stderr, "%s\n", AudioOutputName());
            std::exit(!wrongRate && clock && !again ? 0 : 1);
        },
        testing::ExitedWithCode(0), "internal clock");
}

}  // namespace
