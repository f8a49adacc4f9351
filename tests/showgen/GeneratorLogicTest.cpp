// The generator's own pieces: frame files, the figure, the routines, the score and the pulse formula.
#include "tools/showgen/Choreography.h"
#include "tools/showgen/DanceRecorder.h"
#include "tools/showgen/FftBeatSimulation.h"
#include "tools/showgen/FrameFile.h"
#include "tools/showgen/Score.h"
#include "tools/showgen/ShowData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("showgen-test-" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string str() const { return path_.string(); }

private:
    fs::path path_;
};

TEST(FrameFile, RoundTripsExactlyAndRejectsDamagedFiles) {
    TempDir dir;
    showgen::FrameData frame;
    frame.points = {{0x12345678u, {1.5f, -2.25f, 3e-7f}, {-0.5f, 0.0f, 1e9f}}, {0x00FF0000u, {}, {}}};
    const std::string path = dir / "a.processed";
    showgen::writeFrameFile(path, frame);
    EXPECT_EQ(fs::file_size(path), 140u + 2 * 28u);
    const auto back = showgen::readFrameFile(path);
    ASSERT_EQ(back.points.size(), 2u);
    EXPECT_EQ(back.points[0].colour, 0x12345678u);
    EXPECT_EQ(back.points[0].position, frame.points[0].position);
    EXPECT_EQ(back.points[0].offset, frame.points[0].offset);
    EXPECT_EQ(back.matrixA, frame.matrixA);

    // Little-endian on disk whatever the machine: the count's low byte comes first.
    std::ifstream raw(path, std::ios::binary);
    raw.seekg(128);
    EXPECT_EQ(raw.get(), 2);

    fs::resize_file(path, 140 + 28);  // one point short
    EXPECT_THROW(showgen::readFrameFile(path), std::runtime_error);
    EXPECT_THROW(showgen::readFrameFile(dir / "missing.processed"), std::runtime_error);
}

TEST(FrameFile, NamesSortInFrameOrder) {
    std::vector<std::string> names;
    for (int i : {999, 10, 0, 100, 9}) names.push_back(showgen::frameFileName(i));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.front(), showgen::frameFileName(0));
    EXPECT_EQ(names[1], showgen::frameFileName(9));
    EXPECT_EQ(names.back(), showgen::frameFileName(999));
}

TEST(Figure, StandsAboutOnePointSevenTallOnTheFloor) {
    const auto body = showgen::sampleBody(showgen::kPointsPerFrame, 3);
    ASSERT_EQ(body.size(), static_cast<size_t>(showgen::kPointsPerFrame));
    std::vector<float> xyz;
    std::vector<uint8_t> shade;
    showgen::posePoints(body, showgen::Pose{}, xyz, shade);
    float lowest = 1e9f, highest = -1e9f, frontmost = 1e9f, backmost = -1e9f;
    for (size_t i = 0; i < body.size(); ++i) {
        lowest = std::min(lowest, xyz[3 * i + 1]);
        highest = std::max(highest, xyz[3 * i + 1]);
        frontmost = std::min(frontmost, xyz[3 * i + 2]);
        backmost = std::max(backmost, xyz[3 * i + 2]);
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-6f);
    EXPECT_NEAR(highest, 1.7f, 0.05f);
    // It faces -z: the toes reach well forward, nothing but the ponytail reaches as far back.
    EXPECT_LT(frontmost, -0.15f);
    EXPECT_LT(backmost, 0.25f);
    EXPECT_GT(backmost, 0.1f);
    // Lit from above: the top of the head is brighter than the soles.
    float headShade = 0, soleShade = 0;
    int heads = 0, soles = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        if (xyz[3 * i + 1] > 1.65f) { headShade += shade[i]; ++heads; }
        if (xyz[3 * i + 1] < 0.01f) { soleShade += shade[i]; ++soles; }
    }
    ASSERT_GT(heads, 0);
    ASSERT_GT(soles, 0);
    EXPECT_GT(headShade / heads, soleShade / soles + 60);
}

TEST(Routines, LoopWithoutAJumpAndBlendBetweenMoves) {
    for (const auto& routine : showgen::showRoutines()) {
        const int n = routine.frameCount();
        EXPECT_GE(n, 600);
        EXPECT_LE(n, 1000);
        // The largest joint step between neighbouring frames, including last to first.
        double worst = 0;
        for (int k = 0; k < n; ++k) {
            const auto a = showgen::poseSkeleton(showgen::routinePose(routine, k));
            const auto b = showgen::poseSkeleton(showgen::routinePose(routine, (k + 1) % n));
            for (int j = 0; j < showgen::JointCount; ++j)
                worst = std::max(worst, (a[j].origin - b[j].origin).length());
        }
        EXPECT_LT(worst, 0.2) << routine.folder << ": faster than a person moves (5.6 m/s at 28 frames a second)";
        const auto atEnd = showgen::poseSkeleton(showgen::routinePose(routine, n));
        const auto atStart = showgen::poseSkeleton(showgen::routinePose(routine, 0));
        EXPECT_LT((atEnd[showgen::WristR].origin - atStart[showgen::WristR].origin).length(), 1e-9);
    }
}

TEST(Score, ParsesNotesAndEighthBars) {
    EXPECT_EQ(showgen::parseNoteName("A4"), 69);
    EXPECT_EQ(showgen::parseNoteName("C#5"), 73);
    EXPECT_EQ(showgen::parseNoteName("Bb4"), 70);
    EXPECT_THROW(showgen::parseNoteName("H4"), std::invalid_argument);
    EXPECT_THROW(showgen::parseNoteName("C#"), std::invalid_argument);
    const auto notes = showgen::parseBar("D5 - F5 . . A5 - -");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_DOUBLE_EQ(notes[0].beats, 1.0);
    EXPECT_DOUBLE_EQ(notes[1].beat, 1.0);
    EXPECT_DOUBLE_EQ(notes[1].beats, 0.5);
    EXPECT_DOUBLE_EQ(notes[2].beat, 2.5);
    EXPECT_DOUBLE_EQ(notes[2].beats, 1.5);
    EXPECT_THROW(showgen::parseBar("D5 - -"), std::invalid_argument);
    // Every melody of the track is well formed.
    for (const auto* melody : {&showgen::kHookA, &showgen::kHookB, &showgen::kHookC, &showgen::kHookD,
                               &showgen::kIntroBells, &showgen::kCounterMelody})
        for (const auto& bar : *melody) EXPECT_NO_THROW(showgen::parseBar(bar)) << bar;
}

TEST(Score, BeatsFallOnThePeaksOfTheShowsPulse) {
    // The show's "beat" peaks where sin(m * 179.07079 / 60 - 0.5) is +-1.
    for (int beat : {0, 2, 128, 256}) {
        const double m = showgen::beatTime(beat);
        EXPECT_NEAR(std::fabs(std::sin(m * 179.07079 / 60 - 0.5)), 1.0, 1e-4) << beat;
    }
}

TEST(FftBeat, FollowsTheShowsFormulaOnEitherSideOfTheDrop) {
    // s0 = 0.01: t = 14000 * s0^3 = 0.014.
    EXPECT_NEAR(showgen::fftBeatFromBin0(0.01f, 10.0), 0.014 * 300000 + 0.005, 1e-2);
    EXPECT_NEAR(showgen::fftBeatFromBin0(0.01f, 67.9), 28000 * std::pow(0.014, 3), 1e-5);
    EXPECT_FLOAT_EQ(showgen::fftBeatFromBin0(0.0f, 30.0), 0.005f);
    EXPECT_FLOAT_EQ(showgen::fftBeatFromBin0(0.0f, 90.0), 0.0f);
}

TEST(ShowData, OnlyWholeRecordingsCountAsPresent) {
    TempDir dir;
    const auto items = showgen::generatedItems();
    const auto recording = std::find_if(items.begin(), items.end(), [](const auto& i) { return i.folder; });
    ASSERT_NE(recording, items.end());
    EXPECT_FALSE(showgen::itemComplete(dir.str(), *recording));
    const std::string folder = dir / recording->path;
    fs::create_directories(folder);
    const int frames = showgen::showRoutines()[0].frameCount();
    for (int k = 0; k + 1 < frames; ++k) std::ofstream(folder + "/" + showgen::frameFileName(k));
    EXPECT_FALSE(showgen::itemComplete(dir.str(), *recording)) << "one frame short";
    std::ofstream(folder + "/" + showgen::frameFileName(frames - 1));
    EXPECT_TRUE(showgen::itemComplete(dir.str(), *recording));

    const auto file = std::find_if(items.begin(), items.end(), [](const auto& i) { return !i.folder; });
    std::ofstream(dir / file->path);  // empty: not a usable file
    EXPECT_FALSE(showgen::itemComplete(dir.str(), *file));
}

}  // namespace
