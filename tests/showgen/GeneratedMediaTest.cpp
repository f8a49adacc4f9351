// The music, the title card and the point file in newresources/.
#include "tools/showgen/FftBeatSimulation.h"
#include "tools/showgen/Mp3Codec.h"
#include "tools/showgen/Score.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

const std::string kMusic = "newresources/11_velisse_and_the_norrows_-_quellin_and_vessary.mp3";

double rmsDb(const showgen::PcmStereo& pcm, double from, double seconds) {
    const auto a = static_cast<size_t>(from * showgen::kSampleRate), b = a + static_cast<size_t>(seconds * showgen::kSampleRate);
    double sum = 0;
    for (size_t i = 2 * a; i < 2 * b; ++i) sum += static_cast<double>(pcm.samples[i]) * pcm.samples[i];
    return 10 * std::log10(sum / (2.0 * (b - a)) / (32768.0 * 32768.0) + 1e-30);
}

TEST(ShowMusic, DecodesToTheWholeShowWithMusicThroughoutAndNoClipping) {
    const showgen::PcmStereo pcm = showgen::decodeMp3(kMusic);
    EXPECT_GE(pcm.seconds(), 155.0);
    EXPECT_LE(pcm.seconds(), 170.0);
    // Intro, drop, break, second half and the start of the outro all carry music.
    for (double t : {3.0, 20.0, 45.0, 75.0, 103.0, 120.0, 140.0, 150.0})
        EXPECT_GT(rmsDb(pcm, t, 2.0), -35.0) << "near silence at " << t << " s";
    EXPECT_GT(rmsDb(pcm, 80.0, 10.0), rmsDb(pcm, 5.0, 10.0) + 4.0) << "the drop should be louder than the intro";
    const auto clipped = std::count_if(pcm.samples.begin(), pcm.samples.end(),
                                       [](int16_t s) { return s >= 32767 || s <= -32767; });
    EXPECT_EQ(clipped, 0);
}

// The show's spectrum pulse, replayed at 60 frames a second over the decoded track.
TEST(ShowMusic, LowEndDrivesTheSpectrumPulseInItsIntendedRange) {
    const showgen::PcmStereo pcm = showgen::decodeMp3(kMusic);
    const auto trace = showgen::simulateFftBeat(pcm, 154.0);
    const auto sections = showgen::summariseFftBeat(trace);
    ASSERT_EQ(sections.size(), 5u);
    const auto& intro = sections[0];
    EXPECT_GE(intro.p10, 0.005f);
    EXPECT_LT(intro.p90, 0.1f) << "the intro's pulse formula is very sensitive to the lowest bin";
    // From the drop on, each kick lifts the pulse into the intended range, which falls back between kicks.
    for (int s : {1, 3}) {
        EXPECT_GE(sections[s].peakP50, 0.02f) << sections[s].name;
        EXPECT_LE(sections[s].peakP50, 0.15f) << sections[s].name;
        EXPECT_GE(sections[s].peakP10, 0.01f) << sections[s].name << ": some kicks barely register";
        EXPECT_LE(sections[s].peakP90, 0.3f) << sections[s].name << ": some kicks overshoot";
        EXPECT_LT(sections[s].p50, 0.01f) << sections[s].name << ": the pulse should fall back between kicks";
    }
    EXPECT_LT(sections[2].p90, 0.01f) << "no kicks in the break";

    // The kicks sit on the grid of the show's "beat": the pulse peaks just after each grid beat
    // (the smoothing takes a few frames to follow).
    std::vector<double> lags;
    for (int b = 140; b < 180; ++b) {
        const double at = showgen::beatTime(b);
        size_t best = static_cast<size_t>((at - 0.2) * 60);
        for (size_t f = best; f < static_cast<size_t>((at + 0.3) * 60); ++f)
            if (trace.beat[f] > trace.beat[best]) best = f;
        lags.push_back(best / 60.0 - at);
    }
    std::sort(lags.begin(), lags.end());
    EXPECT_GT(lags[lags.size() / 2], 0.0) << "median lag of the pulse behind the beat";
    EXPECT_LT(lags[lags.size() / 2], 0.2) << "median lag of the pulse behind the beat";
}

TEST(ShowPicture, IsAFullHdTitleCardLightOnBlack) {
    const cv::Mat img = cv::imread("newresources/velisse.png", cv::IMREAD_COLOR);
    ASSERT_FALSE(img.empty());
    EXPECT_EQ(img.cols, 1920);
    EXPECT_EQ(img.rows, 1080);
    cv::Mat grey;
    cv::cvtColor(img, grey, cv::COLOR_BGR2GRAY);
    const double dark = cv::countNonZero(grey < 24) / static_cast<double>(grey.total());
    const double bright = cv::countNonZero(grey > 200) / static_cast<double>(grey.total());
    EXPECT_GT(dark, 0.8) << "the background should be black";
    EXPECT_GT(bright, 0.004) << "the lettering should be light";
    // The corners stay black; the lettering sits in the middle.
    EXPECT_LT(cv::mean(grey(cv::Rect(0, 0, 300, 200)))[0], 2.0);
    EXPECT_GT(cv::mean(grey(cv::Rect(560, 400, 800, 280)))[0], 10.0);
}

TEST(ShowPoints, HoldsTenThousandTriples) {
    std::ifstream in("newresources/quellin.xyz");
    ASSERT_TRUE(in) << "newresources/quellin.xyz missing";
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        double x, y, z;
        std::string extra;
        ASSERT_TRUE(fields >> x >> y >> z) << "line " << lines + 1 << ": " << line;
        EXPECT_FALSE(fields >> extra) << "line " << lines + 1;
        ASSERT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z));
        ASSERT_LT(std::max({std::fabs(x), std::fabs(y), std::fabs(z)}), 2.0);
        ++lines;
    }
    EXPECT_EQ(lines, 10000);
}

// The committed keyframes of "k0", how much of the title card shows: read as the show reads
// them (number pairs until the first token that is not a number), looked up as a step function.
TEST(ShowKeyframes, ShowTheTitleCardInTheIntroAndAtTheEndWithGentleFades) {
    std::ifstream in("newresources/Storage1.txt");
    ASSERT_TRUE(in);
    std::vector<float> times, values;
    float t, v;
    while (in >> t >> v) {
        times.push_back(t);
        values.push_back(v);
    }
    EXPECT_TRUE(in.eof()) << "every token should be a number";
    ASSERT_GE(times.size(), 2u);
    auto k0 = [&](float at) {
        size_t i = 1;
        while (i < times.size() && !(at < times[i])) ++i;
        return values[i - 1];
    };
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GT(times[i], times[i - 1]) << "keyframe " << i;
        EXPECT_LE(std::fabs(values[i] - values[i - 1]), 0.15f) << "a jump at " << times[i] << " s";
    }
    for (float v : values) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
    EXPECT_EQ(k0(0.0f), 0.0f);
    EXPECT_EQ(k0(8.0f), 1.0f);
    EXPECT_EQ(k0(14.5f), 0.0f);
    for (float hidden : {20.0f, 67.9f, 101.5f, 135.3f, 142.5f}) EXPECT_EQ(k0(hidden), 0.0f) << hidden;
    EXPECT_EQ(k0(153.9f), 1.0f);
}

}  // namespace
