// The keyframe track and the point file.
#include "parts/dancers/KeyframeTrack.h"
#include "parts/dancers/PointCloud.h"
#include "tests/dancers/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyframeTrack, StepsFromKeyframeToKeyframe)
{
    TempDir dir;
    writeText(dir / "k.txt", "0 1\n10 2\n20 3\n");
    KeyframeTrack track;
    ASSERT_TRUE(track.load(dir / "k.txt"));
    EXPECT_EQ(track.valueAt(-5.0f), 1.0f);
    EXPECT_EQ(track.valueAt(9.99f), 1.0f);
    EXPECT_EQ(track.valueAt(10.0f), 2.0f);
    EXPECT_EQ(track.valueAt(19.5f), 2.0f);
    EXPECT_EQ(track.valueAt(25.0f), 3.0f);

    // The first time is never compared; one keyframe covers everything.
    writeText(dir / "one.txt", "50 0.25");
    ASSERT_TRUE(track.load(dir / "one.txt"));
    EXPECT_EQ(track.valueAt(-1.0f), 0.25f);
    EXPECT_EQ(track.valueAt(1000.0f), 0.25f);
}

TEST(KeyframeTrack, ReadsPairsUntilTheFirstNonNumber)
{
    TempDir dir;
    KeyframeTrack withBreak, withoutBreak, layout;
    writeText(dir / "a.txt", "0 1\n10 2\n");
    writeText(dir / "b.txt", "0 1\n10 2");
    writeText(dir / "c.txt", "  0\t1 10\n\n 2 ");
    ASSERT_TRUE(withBreak.load(dir / "a.txt"));
    ASSERT_TRUE(withoutBreak.load(dir / "b.txt"));
    ASSERT_TRUE(layout.load(dir / "c.txt"));
    const std::vector<float> times{0, 10}, values{1, 2};
    for (const KeyframeTrack* t : {&withBreak, &withoutBreak, &layout}) {
        EXPECT_EQ(t->times, times);
        EXPECT_EQ(t->values, values);
    }

    // A lone time at the end and anything after a bad token are dropped.
    KeyframeTrack partial;
    writeText(dir / "d.txt", "0 1\n5 x\n10 2\n");
    ASSERT_TRUE(partial.load(dir / "d.txt"));
    EXPECT_EQ(partial.times, std::vector<float>{0});
    writeText(dir / "e.txt", "0 1\n5");
    ASSERT_TRUE(partial.load(dir / "e.txt"));
    EXPECT_EQ(partial.times, std::vector<float>{0});

    KeyframeTrack empty;
    writeText(dir / "empty.txt", "");
    ASSERT_TRUE(empty.load(dir / "empty.txt"));
    EXPECT_TRUE(empty.times.empty());
    EXPECT_EQ(empty.valueAt(3.0f), -1.0f);

    // A missing file leaves the track as it was.
    EXPECT_FALSE(withBreak.load(dir / "missing.txt"));
    EXPECT_EQ(withBreak.times, times);
}

TEST(PointFile, AlwaysTenThousandPoints)
{
    TempDir dir;
    writeText(dir / "three.xyz", "1 2 3\n4 5 6\n-7.5 8e-3 9\n");
    std::vector<Point3> points = readPointFile(dir / "three.xyz");
    ASSERT_EQ(points.size(), 10000u);
    EXPECT_EQ(points[0], (Point3{1, 2, 3}));
    EXPECT_EQ(points[2], (Point3{-7.5f, 8e-3f, 9}));
    for (size_t i = 3; i < points.size(); ++i) ASSERT_EQ(points[i], (Point3{0, 0, 0})) << i;

    // Only the first 10000 triples are taken; a bad token zeroes the rest.
    std::string many;
    for (int i = 0; i < 10005; ++i) many += std::to_string(i) + " 1 2\n";
    writeText(dir / "many.xyz", many);
    points = readPointFile(dir / "many.xyz");
    ASSERT_EQ(points.size(), 10000u);
    EXPECT_EQ(points[9999], (Point3{9999, 1, 2}));

    writeText(dir / "bad.xyz", "1 2 3 4 oops 6 7 8 9");
    points = readPointFile(dir / "bad.xyz");
    EXPECT_EQ(points[0], (Point3{1, 2, 3}));
    EXPECT_EQ(points[1], (Point3{4, 0, 0}));
    EXPECT_EQ(points[2], (Point3{0, 0, 0}));

    points = readPointFile(dir / "missing.xyz");
    ASSERT_EQ(points.size(), 10000u);
    EXPECT_EQ(points[0], (Point3{0, 0, 0}));
}

}  // namespace
