// The two Windows sound outputs on the system's real audio stack (Wine's,
// into a private PulseAudio null sink on the test machines): the frame they
// report heard follows real time, stays behind what was mixed, never goes
// back, and after a drop the frames mixed next are heard soon.
#include "platform/Audio.h"
#include "platform/Platform.h"
#include "platform/windows/WindowsOutputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace {

using platform::AudioOutput;
using platform::TicksNow;

constexpr int64_t kTicksPerSecond = 10'000'000;

struct Mixed {
    std::mutex lock;
    int64_t end = 0;             // the stream frame after the last one mixed
    bool inOrder = true;         // every buffer began where the one before ended
    bool moving = false;         // set by the drop's move
    int64_t firstAfterMove = -1;
};

std::unique_ptr<AudioOutput> openOutput(const std::string& name, platform::AudioMixer mixer, std::string& failure)
{
    return name == "wasapi" ? platform::openWasapiOutput(std::move(mixer), failure)
                            : platform::openWaveOutput(std::move(mixer), failure);
}

int64_t heardNow(AudioOutput& output)
{
    int64_t frame = -1;
    EXPECT_TRUE(output.heardFrame(TicksNow(), frame));
    return frame;
}

class SoundOutput : public testing::TestWithParam<std::string> {};

TEST_P(SoundOutput, TheHeardFrameFollowsRealTimeBehindTheMixAndCatchesUpAfterADrop)
{
    // The output mixes until the process ends, so what its mixer writes to
    // must live as long: like the output, it is never freed.
    Mixed& mixed = *new Mixed;
    std::string failure;
    auto opened = openOutput(GetParam(), [&mixed](int16_t* out, int frames, int64_t streamFrame) {
        const std::lock_guard<std::mutex> guard(mixed.lock);
        mixed.inOrder = mixed.inOrder && streamFrame == mixed.end;
        if (mixed.moving && mixed.firstAfterMove < 0) mixed.firstAfterMove = streamFrame;
        std::fill(out, out + 2 * frames, static_cast<int16_t>(streamFrame % 64 < 32 ? 2000 : -2000));
        mixed.end = streamFrame + frames;
    }, failure);
    ASSERT_TRUE(opened) << failure;
    // An output plays until the process ends; it is never destroyed once started.
    AudioOutput& output = *opened.release();
    EXPECT_EQ(heardNow(output), 0) << "nothing is heard before start";

    output.start();
    const int64_t started = TicksNow();
    int64_t last = 0, settled = -1, settledEnd = 0, settledTicks = 0, inFlight = 0, samples = 0;
    while (TicksNow() - started < 3 * kTicksPerSecond) {
        const int64_t now = TicksNow();
        int64_t heard = -1;
        ASSERT_TRUE(output.heardFrame(now, heard));
        int64_t end;
        {
            const std::lock_guard<std::mutex> guard(mixed.lock);
            end = mixed.end;
        }
        ASSERT_GE(heard, last) << "the heard frame went back";
        ASSERT_LE(heard, end) << "a frame was heard before it was mixed";
        ASSERT_LT(end - heard, platform::kAudioRate) << "more than a second between the mix and the speaker";
        inFlight += end - heard;
        ++samples;
        // Wine's outputs take a second or so to settle.
        if (settled < 0 && now - started >= 3 * kTicksPerSecond / 2) {
            settled = heard;
            settledEnd = end;
            settledTicks = now;
        }
        last = heard;
        platform::Sleep(5);
    }
    // Over the last 1.5 s the heard frame moved as fast as the device took
    // the mix. The device's own pace is Wine's and the sound server's: on a
    // loaded machine it falls well behind real time for a while, so it is
    // only checked to be moving and not running ahead.
    const double seconds = static_cast<double>(TicksNow() - settledTicks) / kTicksPerSecond;
    const double heardRate = static_cast<double>(heardNow(output) - settled) / seconds;
    double mixRate;
    {
        const std::lock_guard<std::mutex> guard(mixed.lock);
        mixRate = static_cast<double>(mixed.end - settledEnd) / seconds;
    }
    EXPECT_NEAR(heardRate, mixRate, mixRate * 0.05);
    // Some of the mix is always on its way: a heard frame run on too far is
    // held at the last one mixed.
    EXPECT_GT(inFlight / samples, platform::kAudioRate / 200) << "less than 5 ms between the mix and the speaker";
    EXPECT_GT(mixRate, platform::kAudioRate * 0.25);
    EXPECT_LT(mixRate, platform::kAudioRate * 1.25);

    int64_t endAtMove = 0;
    output.replaceQueued([&] {
        const std::lock_guard<std::mutex> guard(mixed.lock);
        mixed.moving = true;
        endAtMove = mixed.end;
    });
    const int64_t moved = TicksNow();
    int64_t first = -1;
    while (TicksNow() - moved < kTicksPerSecond / 2) {
        {
            const std::lock_guard<std::mutex> guard(mixed.lock);
            first = mixed.firstAfterMove;
        }
        if (first >= 0 && heardNow(output) >= first) break;
        platform::Sleep(2);
    }
    ASSERT_GE(first, endAtMove) << "frames mixed after the drop start after the old ones";
    EXPECT_GE(heardNow(output), first) << "the frames mixed after the drop are not heard within 0.5 s";
    const std::lock_guard<std::mutex> guard(mixed.lock);
    EXPECT_TRUE(mixed.inOrder);
}

INSTANTIATE_TEST_SUITE_P(Windows, SoundOutput, testing::Values("wasapi", "waveout"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
