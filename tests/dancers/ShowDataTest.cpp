// The generated show data, read back with the show's own loaders.
#include "parts/dancers/DanceSequence.h"
#include "parts/dancers/KeyframeTrack.h"
#include "parts/dancers/PointCloud.h"
#include "platform/Audio.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char* const kRecordings[] = {"newresources/danceexport/006", "newresources/danceexport/009",
                                   "newresources/danceexport/011"};

TEST(GeneratedShowData, ReadBackWithThePromisedSizes)
{
    for (const char* folder : kRecordings)
        if (!std::filesystem::is_directory(folder))
            GTEST_SKIP() << "no generated show data: " << folder << " is missing (run scripts/make-show-data.sh)";

    for (const char* folder : kRecordings) {
        DanceSequence sequence;
        testing::internal::CaptureStdout();
        loadDanceSequence(sequence, folder, "1");
        testing::internal::GetCapturedStdout();
        EXPECT_GE(sequence.frames.size(), 600u) << folder;
        EXPECT_LE(sequence.frames.size(), 1000u) << folder;
        for (size_t i = 0; i < sequence.frames.size(); ++i) {
            const size_t points = sequence.frames[i].points.size();
            ASSERT_GE(points, 4000u) << folder << " frame " << i;
            ASSERT_LE(points, 8000u) << folder << " frame " << i;
        }
    }

    // The point file holds its 10000 points itself: not all at the origin.
    const std::vector<Point3> cloud = readPointFile("newresources/quellin.xyz");
    ASSERT_EQ(cloud.size(), 10000u);
    EXPECT_NE(cloud.back(), (Point3{0, 0, 0}));

    KeyframeTrack keyframes;
    EXPECT_TRUE(keyframes.load("newresources/Storage1.txt"));
    EXPECT_FALSE(keyframes.times.empty());

    // The music lasts until the show ends at 154 s.
    const platform::AudioHandle channel =
        platform::SampleGetChannel(platform::SampleLoad("newresources/11_velisse_and_the_norrows_-_quellin_and_vessary.mp3"));
    ASSERT_NE(channel, 0u);
    EXPECT_TRUE(platform::ChannelSetPosition(channel, 154 * platform::kAudioBytesPerSecond));
}

}  // namespace
