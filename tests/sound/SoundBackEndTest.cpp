// The music back end on a real sound server (a private PulseAudio with a
// null sink, tests/support/with-sound-server.sh): real MP3 files made by LAME,
// real decoding, real FFT, positions from the server's timing of the stream.
#include "platform/Audio.h"
#include "platform/FftAnalyzer.h"
#include "tests/dancers/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace platform;

// One private server for the whole run (see CMakeLists.txt), its null sink
// woken once: a fresh one takes about two seconds to follow a new stream,
// which a sound card does not.
struct AudioBackEnd : testing::Test {
    static void SetUpTestSuite()
    {
        ensureTestAudio();
        ASSERT_STREQ(AudioOutputName(), "sound server");
        TempDir warm;
        writeSineMp3(warm / "warm.mp3", 3.0, 440.0);
        ChannelPlay(SampleGetChannel(SampleLoad(warm / "warm.mp3")), true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    }

    AudioHandle playSine(const std::string& path, double seconds, double frequency, int rate = 44100)
    {
        writeSineMp3(path, seconds, frequency, rate);
        const AudioHandle sample = SampleLoad(path);
        EXPECT_NE(sample, 0u);
        const AudioHandle channel = SampleGetChannel(sample);
        EXPECT_NE(channel, 0u);
        EXPECT_TRUE(ChannelPlay(channel, true));
        return channel;
    }

    TempDir dir;
};

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

TEST_F(AudioBackEnd, PositionAdvancesAt176400BytesPerSecond)
{
    EXPECT_STRNE(AudioOutputName(), "none");
    const AudioHandle channel = playSine(dir / "a.mp3", 5.0, 440.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double rate = measuredRate(channel, std::chrono::milliseconds(1500));
    EXPECT_NEAR(rate, 176400.0, 176400.0 * 0.05);
    EXPECT_EQ(ChannelGetPosition(channel) % 4, 0);
}

TEST_F(AudioBackEnd, SeeksWithinTheTrackAndRefusesInvalidPositions)
{
    const AudioHandle channel = playSine(dir / "a.mp3", 4.0, 440.0);
    ASSERT_TRUE(ChannelSetPosition(channel, 2 * 176400 + 3));
    const int64_t got = ChannelGetPosition(channel);
    EXPECT_GE(got, 2 * 176400);  // rounded down to a whole frame, then on from there
    EXPECT_LT(got, 2 * 176400 + 176400 / 10);
    EXPECT_EQ(got % 4, 0);

    ASSERT_TRUE(ChannelSetPosition(channel, 176400));
    EXPECT_LT(ChannelGetPosition(channel), 2 * 176400);  // backward too

    const int64_t before = ChannelGetPosition(channel);
    EXPECT_FALSE(ChannelSetPosition(channel, -4));
    EXPECT_FALSE(ChannelSetPosition(channel, -100 * 176400));
    EXPECT_FALSE(ChannelSetPosition(channel, 4 * 176400));  // at the end
    EXPECT_FALSE(ChannelSetPosition(channel, int64_t{1} << 40));
    const int64_t after = ChannelGetPosition(channel);
    EXPECT_GE(after, before);  // played on where it was
    EXPECT_LT(after, before + 176400 / 2);
}

TEST_F(AudioBackEnd, TrackEndsAtItsLengthGoesSilentAndPlaysAgainWhenMoved)
{
    // Bin 100 of a 2048-point FFT, so the spectrum shows whether it sounds.
    const double frequency = 100.0 * 44100.0 / 2048.0;
    const AudioHandle channel = playSine(dir / "short.mp3", 0.5, frequency);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_EQ(ChannelGetPosition(channel), int64_t{22050} * 4);
    float magnitudes[kSpectrumBins];
    EXPECT_TRUE(ChannelGetData(channel, magnitudes));
    EXPECT_EQ(*std::max_element(magnitudes, magnitudes + kSpectrumBins), 0.0f);

    // A seek after the end plays on from there: the position reads the new
    // place at once and advances, and the spectrum is that of the music.
    ASSERT_TRUE(ChannelSetPosition(channel, 176400 / 10));
    const int64_t moved = ChannelGetPosition(channel);
    EXPECT_GE(moved, 176400 / 10);
    EXPECT_LT(moved, 176400 / 10 + 176400 / 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GT(ChannelGetPosition(channel), moved + 176400 / 10);
    ASSERT_TRUE(ChannelGetData(channel, magnitudes));
    EXPECT_EQ(std::max_element(magnitudes, magnitudes + kSpectrumBins) - magnitudes, 100);

    // Played out again, and playing with restart starts over.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(ChannelGetPosition(channel), int64_t{22050} * 4);
    ASSERT_TRUE(ChannelPlay(channel, true));
    EXPECT_LT(ChannelGetPosition(channel), 22050 * 4);
}

TEST_F(AudioBackEnd, PauseHoldsThePlaceAndItsSpectrumAndPlayGoesOnFromThere)
{
    const double frequency = 100.0 * 44100.0 / 2048.0;  // bin 100
    const AudioHandle channel = playSine(dir / "pause.mp3", 3.0, frequency);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(ChannelPause(channel));
    const int64_t held = ChannelGetPosition(channel);
    EXPECT_GT(held, 176400 / 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ChannelGetPosition(channel), held);
    EXPECT_FALSE(ChannelPause(channel)) << "already held";
    float magnitudes[kSpectrumBins];
    ASSERT_TRUE(ChannelGetData(channel, magnitudes));
    EXPECT_EQ(std::max_element(magnitudes, magnitudes + kSpectrumBins) - magnitudes, 100)
        << "the spectrum of the held place, not silence";

    // A seek moves the held place without playing; play goes on from it.
    ASSERT_TRUE(ChannelSetPosition(channel, 2 * 176400));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ChannelGetPosition(channel), 2 * 176400);
    ASSERT_TRUE(ChannelPlay(channel, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(ChannelGetPosition(channel), 2 * 176400 + 176400 / 10);
    EXPECT_LT(ChannelGetPosition(channel), 2 * 176400 + 176400 / 2);
}

TEST_F(AudioBackEnd, SpectrumOfASinePeaksAtItsBin)
{
    // Bin 100 of a 2048-point FFT at 44100 Hz.
    const double frequency = 100.0 * 44100.0 / 2048.0;
    const AudioHandle channel = playSine(dir / "sine.mp3", 3.0, frequency);
    float magnitudes[kSpectrumBins];
    // Before anything sounds the window is silence.
    ASSERT_TRUE(ChannelSetPosition(channel, 176400));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(ChannelGetData(channel, magnitudes));
    const float* peak = std::max_element(magnitudes, magnitudes + kSpectrumBins);
    EXPECT_EQ(peak - magnitudes, 100);
    // A full-window sine of amplitude 0.5 under a Hann window gives 0.5 / 2.
    EXPECT_NEAR(*peak, 0.25f, 0.03f);
    EXPECT_LT(magnitudes[300], *peak / 100);
}

TEST_F(AudioBackEnd, OtherRatesAndMonoArePlayedAs44100Stereo)
{
    writeSineMp3(dir / "48k.mp3", 2.0, 440.0, 48000);
    writeSineMp3(dir / "mono.mp3", 1.0, 440.0, 44100, 1);
    const AudioHandle resampled = SampleGetChannel(SampleLoad(dir / "48k.mp3"));
    const AudioHandle mono = SampleGetChannel(SampleLoad(dir / "mono.mp3"));
    ASSERT_NE(resampled, 0u);
    ASSERT_NE(mono, 0u);
    // Lengths show through the last valid seek position.
    EXPECT_TRUE(ChannelSetPosition(resampled, 2 * 176400 - 176400 / 50));
    EXPECT_FALSE(ChannelSetPosition(resampled, 2 * 176400 + 176400 / 50));
    EXPECT_TRUE(ChannelSetPosition(mono, 176400 - 176400 / 50));
    EXPECT_FALSE(ChannelSetPosition(mono, 176400 + 176400 / 50));
}

TEST_F(AudioBackEnd, MissingOrBrokenFilesGiveZeroHandlesAndPositions)
{
    testing::internal::CaptureStdout();
    const AudioHandle sample = SampleLoad(dir / "missing.mp3");
    writeText(dir / "noise.mp3", std::string(5000, 'x'));
    const AudioHandle broken = SampleLoad(dir / "noise.mp3");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sample, 0u);
    EXPECT_EQ(broken, 0u);
    EXPECT_NE(out.find("SampleLoad() : cannot play " + (dir / "missing.mp3")), std::string::npos) << out;

    const AudioHandle channel = SampleGetChannel(sample);
    EXPECT_EQ(channel, 0u);
    EXPECT_FALSE(ChannelPlay(channel, true));
    EXPECT_EQ(ChannelGetPosition(channel), 0);
    EXPECT_FALSE(ChannelSetPosition(channel, 0));
    float magnitudes[kSpectrumBins];
    std::fill(magnitudes, magnitudes + kSpectrumBins, 1.0f);
    EXPECT_FALSE(ChannelGetData(channel, magnitudes));
    EXPECT_EQ(*std::max_element(magnitudes, magnitudes + kSpectrumBins), 0.0f);
    // Handles of one kind are not taken for the other.
    writeSineMp3(dir / "a.mp3", 0.2, 440.0);
    const AudioHandle real = SampleLoad(dir / "a.mp3");
    EXPECT_FALSE(ChannelPlay(real, true));
    EXPECT_EQ(SampleGetChannel(SampleGetChannel(real)), 0u);
}

}  // namespace
