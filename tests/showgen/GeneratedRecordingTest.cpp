// The dance recordings in newresources/ as the show reads them.
#include "tools/showgen/FrameFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

using showgen::FrameData;
using showgen::listFrameFiles;
using showgen::readFrameFile;

const char* kFolders[] = {"newresources/danceexport/006", "newresources/danceexport/009",
                          "newresources/danceexport/011"};

float distance(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

class Recording : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        files = listFrameFiles(GetParam());
        ASSERT_FALSE(files.empty()) << GetParam() << " has no frames; run scripts/make-show-data.sh";
    }
    std::vector<std::string> files;
};

TEST_P(Recording, HasTheFrameAndPointCountsTheShowExpects) {
    EXPECT_GE(files.size(), 600u);
    EXPECT_LE(files.size(), 1000u);
    const FrameData first = readFrameFile(files.front());
    EXPECT_GE(first.points.size(), 4000u);
    EXPECT_LE(first.points.size(), 8000u);
    const std::array<float, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (size_t k : {size_t{0}, files.size() / 2, files.size() - 1}) {
        const FrameData f = readFrameFile(files[k]);
        EXPECT_EQ(f.points.size(), first.points.size()) << "frame " << k;
        EXPECT_EQ(f.matrixA, identity);
        EXPECT_EQ(f.matrixB, identity);
        EXPECT_EQ(f.pairCount, 0);
        EXPECT_EQ(f.vectorCount, 0);
    }
}

// Each point's offset leads back to where the same point was one frame earlier, and frame 0
// leads back to the last frame: played in a loop, nothing jumps.
TEST_P(Recording, OffsetsLeadToThePreviousFrameAndTheLoopCloses) {
    const size_t n = files.size();
    int moving = 0;
    for (size_t k : {size_t{0}, size_t{1}, n / 3, n / 3 + 1, n - 1}) {
        const FrameData here = readFrameFile(files[k]);
        const FrameData before = readFrameFile(files[(k + n - 1) % n]);
        ASSERT_EQ(here.points.size(), before.points.size());
        float worst = 0, largestStep = 0;
        for (size_t i = 0; i < here.points.size(); ++i) {
            std::array<float, 3> back;
            for (int c = 0; c < 3; ++c) back[c] = here.points[i].position[c] + here.points[i].offset[c];
            worst = std::max(worst, distance(back, before.points[i].position));
            largestStep = std::max(largestStep, distance(here.points[i].position, before.points[i].position));
        }
        EXPECT_LT(worst, 1e-5f) << "frame " << k;
        // Even a fingertip moves less than a quarter unit per captured frame.
        EXPECT_LT(largestStep, 0.25f) << "frame " << k;
        if (largestStep > 1e-3f) ++moving;
    }
    EXPECT_GE(moving, 3) << "the dancer should be moving";
}

TEST_P(Recording, StandsOnTheFloorAtHumanHeightWithShading) {
    int grounded = 0, sampled = 0;
    std::set<int> shades;
    for (size_t k = 0; k < files.size(); k += files.size() / 12) {
        const FrameData f = readFrameFile(files[k]);
        float lowest = 1e9f, highest = -1e9f;
        for (const auto& p : f.points) {
            lowest = std::min(lowest, p.position[1]);
            highest = std::max(highest, p.position[1]);
            shades.insert(static_cast<int>((p.colour >> 8) & 0xFF));
        }
        ++sampled;
        EXPECT_GE(lowest, -1e-3f) << "frame " << k << " sinks into the floor";
        EXPECT_LT(lowest, 0.2f) << "frame " << k << " floats";
        if (lowest < 5e-3f) ++grounded;
        // Crouching lowers the top, arms overhead raise it.
        EXPECT_GT(highest - lowest, 1.3f) << "frame " << k;
        EXPECT_LT(highest - lowest, 2.3f) << "frame " << k;
    }
    EXPECT_GE(grounded * 2, sampled) << "the feet should mostly touch the floor";
    EXPECT_GT(shades.size(), 100u) << "the shading byte should vary over the body";
}

INSTANTIATE_TEST_SUITE_P(ShowData, Recording, ::testing::ValuesIn(kFolders));

}  // namespace
