// The track's audio tools: the MP3 round trip the show's timing relies on, and the filters and
// effects whose faults would be heard (or would disturb the spectrum pulse).
#include "tools/showgen/Mp3Codec.h"
#include "tools/showgen/Synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string tempPath(const std::string& name) {
    return (fs::temp_directory_path() / ("showgen-audio-" + std::to_string(::getpid()) + "-" + name)).string();
}

double sineGainDb(double hz, const std::function<double(double)>& filter) {
    double in = 0, out = 0;
    const int n = showgen::kSampleRate * 2;
    for (int i = 0; i < n; ++i) {
        const double x = std::sin(showgen::kTwoPi * hz * i / showgen::kSampleRate);
        const double y = filter(x);
        if (i > n / 2) {  // past the filter's settling
            in += x * x;
            out += y * y;
        }
    }
    return 10 * std::log10(out / in);
}

// The show times everything from the music's play position: a click must come back where it was put.
TEST(Mp3RoundTrip, KeepsLengthAndTiming) {
    showgen::PcmStereo pcm;
    const size_t frames = 3 * showgen::kSampleRate, click = 66150;  // 1.5 s
    pcm.samples.assign(2 * frames, 0);
    for (size_t i = 0; i < 32; ++i) {
        const auto v = static_cast<int16_t>(20000 * std::sin(showgen::kPi * i / 32.0));
        pcm.samples[2 * (click + i)] = pcm.samples[2 * (click + i) + 1] = v;
    }
    const std::string path = tempPath("click.mp3");
    showgen::encodeMp3(pcm, 192, path);
    const auto back = showgen::decodeMp3(path);
    fs::remove(path);
    EXPECT_EQ(back.frames(), frames);
    size_t loudest = 0;
    for (size_t i = 0; i < back.frames(); ++i)
        if (std::abs(back.samples[2 * i]) > std::abs(back.samples[2 * loudest])) loudest = i;
    EXPECT_NEAR(static_cast<double>(loudest), click + 16.0, 44.0) << "more than a millisecond off";
}

TEST(Mp3RoundTrip, RejectsMissingAndForeignFiles) {
    EXPECT_THROW(showgen::decodeMp3(tempPath("absent.mp3")), std::runtime_error);
    const std::string path = tempPath("text.mp3");
    std::ofstream(path) << "this is not audio\n";
    EXPECT_THROW(showgen::decodeMp3(path), std::runtime_error);
    fs::remove(path);
    EXPECT_THROW(showgen::encodeMp3(showgen::PcmStereo{}, 192, "/nonexistent-dir/x.mp3"), std::runtime_error);
}

TEST(Filters, PassTheirBandAndStopTheRest) {
    {
        showgen::HighPass4 hp(32.0, showgen::kSampleRate);
        EXPECT_LT(sineGainDb(8.0, [&](double x) { return hp.process(x); }), -40.0);
    }
    {
        showgen::HighPass4 hp(32.0, showgen::kSampleRate);
        EXPECT_NEAR(sineGainDb(200.0, [&](double x) { return hp.process(x); }), 0.0, 0.3);
    }
    {
        showgen::Svf lp;
        lp.set(500.0, 0.7, showgen::kSampleRate);
        EXPECT_LT(sineGainDb(5000.0, [&](double x) { lp.process(x); return lp.low; }), -35.0);
    }
    {
        showgen::Svf lp;
        lp.set(500.0, 0.7, showgen::kSampleRate);
        EXPECT_NEAR(sineGainDb(50.0, [&](double x) { lp.process(x); return lp.low; }), 0.0, 0.3);
    }
}

TEST(Effects, EchoesArriveOnTimeAndTheReverbDiesAway) {
    const size_t n = 4 * showgen::kSampleRate;
    showgen::StereoBuffer impulse(n), echo(n), tail(n);
    impulse.left[0] = impulse.right[0] = 1.0f;
    showgen::pingPongDelay(impulse, echo, 0.25, 0.5, 1.0, showgen::kSampleRate);
    const size_t d = showgen::kSampleRate / 4;
    EXPECT_EQ(echo.left[d - 1], 0.0f);
    EXPECT_GT(echo.left[d], 0.5f) << "first echo on the left after one delay";
    EXPECT_GT(echo.right[2 * d + 1], 0.0f) << "second echo on the right";

    showgen::Reverb reverb(0.86, 0.35, showgen::kSampleRate);
    reverb.processBuffer(impulse, tail, 1.0);
    double early = 0, late = 0;
    for (size_t i = 0; i < n; ++i) {
        const double e = tail.left[i] * tail.left[i] + tail.right[i] * tail.right[i];
        if (i < showgen::kSampleRate) early += e;         // the first second
        else if (i >= 3 * showgen::kSampleRate) late += e;  // the fourth
    }
    EXPECT_GT(early, 0.0);
    EXPECT_LT(late, early * 1e-3) << "the reverb should fade, not ring on";
}

TEST(Envelope, RisesHoldsAndReleasesToSilence) {
    const showgen::Adsr env{0.1, 0.2, 0.5, 0.3};
    EXPECT_DOUBLE_EQ(env.at(-0.01, 1.0), 0.0);
    EXPECT_NEAR(env.at(0.05, 1.0), 0.5, 1e-9);
    EXPECT_NEAR(env.at(0.1, 1.0), 1.0, 1e-9);
    EXPECT_NEAR(env.at(0.99, 1.0), 0.5, 0.01);
    EXPECT_NEAR(env.at(1.15, 1.0), env.at(1.0, 1.0) * 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(env.at(1.3, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(env.length(1.0), 1.3);
}

}  // namespace
