// The show clock step against the real back end, a real GL context and the
// controller's value store written as the MIDI thread would.
#include "app/TDemoApp.h"
#include "parts/dancers/MusicClock.h"
#include "parts/dancers/Part_Dancers.h"
#include "tests/dancers/TestFiles.h"
#include "tests/support/TestWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <cstdlib>
#include <thread>

namespace {

constexpr float kDt = 0.1f;

struct ClockStep : testing::Test {
    void SetUp() override
    {
        sharedTestWindow();
        ensureTestAudio();
        ctrl._nano = &nano;
        ctrl._dt = kDt;
        part.ctrl = &ctrl;
    }

    void press(int control, float value = 127.0001f) { nano.cc_value[control].store(value, std::memory_order_relaxed); }
    void release(int control) { nano.cc_value[control].store(0.0001f, std::memory_order_relaxed); }
    void latch(int control, int32_t state) { nano.cc_toggle[control].store(state, std::memory_order_relaxed); }
    float knob6() const { return nano.cc_value[22].load(std::memory_order_relaxed); }

    // Plays a sine MP3 of `seconds` on the part's channel.
    void playMusic(double seconds, double frequency = 440.0)
    {
        writeSineMp3(dir / "music.mp3", seconds, frequency);
        part.sample = platform::SampleLoad(dir / "music.mp3");
        part.channel = platform::SampleGetChannel(part.sample);
        ASSERT_TRUE(platform::ChannelPlay(part.channel, true));
    }
    float musicSeconds() const { return static_cast<float>(platform::ChannelGetPosition(part.channel)) / 176400.0f; }

    TempDir dir;
    TLiveControls ctrl;
    MyNanoKONTROL2 nano;
    Part_Dancers part;
};

float advanced(float ttime, float speed)
{
    return static_cast<float>(double{ttime} + speed * kDt);
}

TEST_F(ClockStep, RunsSlowWhileAheadOfTheMusicAndFastWhileBehind)
{
    // No music: the position reads 0.
    part.ttime = 1.0f;
    part.update();
    EXPECT_EQ(part.speed, 0.97f);
    EXPECT_EQ(part.timeStep, 0.97f * kDt);
    EXPECT_EQ(part.ttime, advanced(1.0f, 0.97f));

    for (float start : {0.0f, -1.0f}) {
        part.ttime = start;
        part.update();
        EXPECT_EQ(part.speed, 1.03f) << start;
        EXPECT_EQ(part.ttime, advanced(start, 1.03f)) << start;
    }

    // Against playing music, within the resync window either way.
    playMusic(4.0);
    ASSERT_TRUE(platform::ChannelSetPosition(part.channel, 176400));
    part.ttime = 1.2f;
    part.update();
    EXPECT_EQ(part.speed, 0.97f);
    part.ttime = 0.9f;
    part.update();
    EXPECT_EQ(part.speed, 1.03f);
}

TEST_F(ClockStep, SeeksTheMusicOnlyWhenMoreThanAQuarterSecondApart)
{
    playMusic(5.0);
    latch(44, 1);  // hold the clock still to compare it with the music
    part.ttime = 0.2f;
    part.update();
    EXPECT_LT(musicSeconds(), 0.15f) << "moved although only 0.2 s apart";

    part.ttime = 2.0f;
    part.update();
    EXPECT_NEAR(musicSeconds(), 2.0f, 0.1f);

    part.ttime = 1.0f;  // backward too
    part.update();
    EXPECT_NEAR(musicSeconds(), 1.0f, 0.1f);

    // A negative clock is no position: the music plays on.
    part.ttime = -5.0f;
    part.update();
    EXPECT_NEAR(musicSeconds(), 1.0f, 0.1f);
}

TEST_F(ClockStep, ForwardLatchPausesAndResumes)
{
    part.ttime = 10.0f;
    latch(44, 1);  // pressed
    part.update();
    EXPECT_EQ(part.ttime, 10.0f);
    latch(44, 2);  // released: still paused
    part.update();
    EXPECT_EQ(part.ttime, 10.0f);
    latch(44, 0);  // pressed again
    part.update();
    EXPECT_EQ(part.ttime, advanced(10.0f, 0.97f));
}

TEST_F(ClockStep, TheMakersKeysMoveTheClockAndTheMusicFollows)
{
    auto press = [&](int scancode, bool shift = false) {
        ctrl._transport.push_back(*TransportKeyFor(scancode, shift));
        part.update();
    };
    playMusic(30.0);
    part.ttime = 2.0f;

    // Space holds the clock (from after this step) until pressed again; the
    // keys are used once.
    press(SDL_SCANCODE_SPACE);
    EXPECT_TRUE(ctrl._transport.empty());
    const float held = part.ttime;
    part.update();
    EXPECT_EQ(part.ttime, held);
    EXPECT_TRUE(ctrl._timeline.paused);

    // Right moves it a second, Shift ten, and the next step takes the music there.
    press(SDL_SCANCODE_RIGHT);
    EXPECT_EQ(part.ttime, held + 1.0f);
    press(SDL_SCANCODE_RIGHT, true);
    EXPECT_EQ(part.ttime, held + 11.0f);
    part.update();
    EXPECT_NEAR(musicSeconds(), held + 11.0f, 0.1f);
    press(SDL_SCANCODE_LEFT, true);
    press(SDL_SCANCODE_LEFT, true);
    EXPECT_EQ(part.ttime, 0.0f) << "no scrubbing before the start";

    // Page Down and Up go from window start to window start, Home to 0.
    press(SDL_SCANCODE_PAGEDOWN);
    EXPECT_EQ(part.ttime, 16.85f);
    press(SDL_SCANCODE_PAGEDOWN);
    EXPECT_EQ(part.ttime, 33.8f);
    part.ttime = 40.0f;
    press(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(part.ttime, 33.8f) << "the start of the window it is in";
    press(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(part.ttime, 16.85f) << "pressed again: the window before";
    part.ttime = 150.0f;
    press(SDL_SCANCODE_PAGEDOWN);
    EXPECT_EQ(part.ttime, 150.0f) << "no window starts after the last";
    press(SDL_SCANCODE_HOME);
    EXPECT_EQ(part.ttime, 0.0f);

    press(SDL_SCANCODE_SPACE);
    EXPECT_EQ(part.ttime, 0.0f);
    part.update();
    EXPECT_GT(part.ttime, 0.0f);
    EXPECT_FALSE(ctrl._timeline.paused);
}

TEST_F(ClockStep, TrackButtonsScrubTwentyMillisecondsAtATime)
{
    latch(44, 1);
    part.ttime = 5.0f;
    press(59);
    const auto t0 = std::chrono::steady_clock::now();
    part.update();
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(20));
    EXPECT_EQ(part.ttime, static_cast<float>(5.0f + 0.02));
    release(59);

    press(58);
    part.update();
    part.update();
    EXPECT_EQ(part.ttime, static_cast<float>(static_cast<float>(static_cast<float>(5.0f + 0.02) - 0.02) - 0.02));
    press(58, 1.0f);  // a value of 1 does not count as held
    const float before = part.ttime;
    part.update();
    EXPECT_EQ(part.ttime, before);
}

TEST_F(ClockStep, BackFollowsKnobSixAndRecWritesItBack)
{
    part.ttime = 3.0f;
    press(22, 50.0001f);
    press(43);
    part.update();
    EXPECT_FLOAT_EQ(part.ttime, 70.00014f);
    EXPECT_EQ(part.ttime, static_cast<float>(50.0001f * 1.4));
    part.update();  // every frame while held
    EXPECT_EQ(part.ttime, static_cast<float>(50.0001f * 1.4));
    release(43);

    part.ttime = 14.0f;
    press(45);
    part.update();
    EXPECT_EQ(knob6(), static_cast<float>(part.ttime / 1.4));
    EXPECT_NEAR(knob6(), advanced(14.0f, 0.97f) / 1.4, 1e-4);

    // Both held: the clock is taken from the knob first, then written back.
    press(43);
    press(22, 100.0001f);
    part.update();
    EXPECT_EQ(part.ttime, static_cast<float>(100.0001f * 1.4));
    EXPECT_EQ(knob6(), static_cast<float>(part.ttime / 1.4));
}

TEST_F(ClockStep, AKeySetsTheClockToMinusHundredAndTheStatusSaysSo)
{
    part.ttime = 42.0f;
    ctrl._status = "something older";
    ctrl._keys[4] = true;
    press(43);  // the key wins over the knob: it comes last
    part.update();
    EXPECT_EQ(part.ttime, -100.0f);
    EXPECT_EQ(ctrl._status, "ttime: -100.000");
    part.update();
    EXPECT_EQ(part.ttime, -100.0f);

    ctrl._keys[4] = false;
    release(43);
    part.update();
    EXPECT_EQ(part.ttime, advanced(-100.0f, 1.03f));
    char expected[32];
    std::snprintf(expected, sizeof expected, "ttime: %.03f", part.ttime);
    EXPECT_EQ(ctrl._status, expected);
}

TEST_F(ClockStep, ShowEndsWithStatusZeroPast154Seconds)
{
    part.ttime = 154.0f;  // not yet
    part.update();
    EXPECT_GT(part.ttime, 154.0f);

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            part.ttime = 154.01f;
            part.update();
            std::fprintf(stderr, "still running\n");
            std::exit(3);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(ClockStep, SpectrumIsSmoothedAndTheStripShowsThePreviousFrame)
{
    // Silence: every bin decays by a tenth per frame.
    for (float& bin : part.fftSmooth) bin = 1.0f;
    part.fftSmooth[99] = 0.5f;
    part.update();
    EXPECT_FLOAT_EQ(part.fftSmooth[0], 0.9f);
    part.update();
    EXPECT_FLOAT_EQ(part.fftSmooth[0], 0.81f);
    EXPECT_FLOAT_EQ(part.fftSmooth[1023], 0.81f);

    float strip[100] = {};
    glBindTexture(GL_TEXTURE_2D, part.fftTexture.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, strip);
    EXPECT_EQ(part.fftTexture.width, 100);
    EXPECT_EQ(part.fftTexture.height, 1);
    EXPECT_FLOAT_EQ(strip[0], 0.9f);
    EXPECT_FLOAT_EQ(strip[99], 0.45f);

    // A steady tone on bin 100 approaches its level as c (1 - 0.9^n).
    for (float& bin : part.fftSmooth) bin = 0.0f;
    playMusic(4.0, 100.0 * 44100.0 / 2048.0);
    ASSERT_TRUE(platform::ChannelSetPosition(part.channel, 176400));
    latch(44, 1);
    part.ttime = 1.0f;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    for (int n = 0; n < 10; ++n) part.update();
    const float level = part.fftRaw[100];
    EXPECT_NEAR(level, 0.25f, 0.03f);
    EXPECT_NEAR(part.fftSmooth[100], level * (1 - std::pow(0.9f, 10.0f)), 0.02f);
    EXPECT_LT(part.fftSmooth[300], part.fftSmooth[100] / 100);
}

TEST(MusicPulses, BeatAndFftBeat)
{
    // beat = sin(x - 0.5)^4 with x = music seconds * 179.07079 / 60.
    EXPECT_NEAR(beatPulse(0), std::pow(std::sin(-0.5), 4), 1e-6);
    const double peakSeconds = (0.5 + std::numbers::pi / 2) * 60 / 179.07079;
    EXPECT_NEAR(beatPulse(static_cast<int64_t>(peakSeconds * 176400) & ~int64_t{3}), 1.0f, 1e-4);
    const double zeroSeconds = (0.5 + std::numbers::pi) * 60 / 179.07079;
    EXPECT_NEAR(beatPulse(static_cast<int64_t>(zeroSeconds * 176400) & ~int64_t{3}), 0.0f, 1e-6);
    // Only the low 32 bits of the position count.
    EXPECT_EQ(beatPulse((int64_t{1} << 32) + 176400), beatPulse(176400));

    // fftbeat: 14000 s0^3 scaled linearly before 67.9 s, 28000 t^3 from then on.
    EXPECT_FLOAT_EQ(fftBeatPulse(0.0f, 10.0f), 0.005f);
    EXPECT_FLOAT_EQ(fftBeatPulse(0.01f, 67.89f), 0.014f * 300000.0f + 0.005f);
    EXPECT_FLOAT_EQ(fftBeatPulse(0.01f, 67.9f), 28000.0f * 0.014f * 0.014f * 0.014f);
    EXPECT_EQ(fftBeatPulse(0.0f, 100.0f), 0.0f);

    Part_Dancers part;
    part.fftSmooth[0] = 0.02f;
    part.ttime = 80.0f;
    part.updateFftBeat();
    EXPECT_EQ(part.fftBeat, fftBeatPulse(0.02f, 80.0f));
    EXPECT_EQ(part.beat(), beatPulse(0));  // no music: position 0
}

}  // namespace
