// Listing a recording's folder and loading it whole.
#include "parts/dancers/DanceSequence.h"
#include "tests/dancers/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

// A frame whose one point's colour word is `tag`, to tell frames apart.
std::vector<uint8_t> taggedFrame(uint32_t tag)
{
    Bytes bytes;
    bytes.identity().identity().i32(1).u32(tag).f32(0).f32(0).f32(0).f32(0).f32(0).f32(0).i32(0).i32(0);
    return bytes.data;
}

std::string numbered(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame%05d.processed", i);
    return name;
}

TEST(DanceListing, SortedByNameSkippingFoldersAndOtherFiles)
{
    TempDir dir;
    writeFile(dir / "b.processed", taggedFrame(2));
    writeFile(dir / "a.processed", taggedFrame(1));
    writeFile(dir / "C.processed", taggedFrame(0));
    writeFile(dir / "c.processed.bak", taggedFrame(9));
    writeFile(dir / "notes.txt", {});
    std::filesystem::create_directory(dir.path() / "sub.processed");

    const std::string folder = dir.path().string();
    const std::vector<std::string> paths = listProcessedFiles(folder, 1300);
    EXPECT_EQ(paths, (std::vector<std::string>{folder + "/C.processed", folder + "/a.processed", folder + "/b.processed"}));
    EXPECT_TRUE(listProcessedFiles(dir / "nowhere", 1300).empty());
}

TEST(DanceListing, FifteenHundredFilesGiveTheFirst1301FramesInOrder)
{
    TempDir dir;
    for (int i = 1499; i >= 0; --i) writeFile(dir / numbered(i), taggedFrame(static_cast<uint32_t>(i)));

    DanceSequence sequence;
    testing::internal::CaptureStdout();
    loadDanceSequence(sequence, dir.path().string(), "1");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Adding.. 1\nParsedSize: 1301\n");
    EXPECT_EQ(sequence.name, "1");
    ASSERT_EQ(sequence.frames.size(), 1301u);
    for (size_t i = 0; i < sequence.frames.size(); ++i) {
        ASSERT_EQ(sequence.frames[i].points.size(), 1u);
        ASSERT_EQ(sequence.frames[i].points[0].colour, i) << "frame " << i;
    }
}

TEST(DanceListing, LoadingAgainReplacesTheFrames)
{
    TempDir dir;
    for (int i = 0; i < 7; ++i) writeFile(dir / numbered(i), taggedFrame(static_cast<uint32_t>(100 + i)));
    writeFile(dir / numbered(7), {1, 2, 3});  // a broken frame loads as an empty one

    DanceSequence sequence;
    testing::internal::CaptureStdout();
    loadDanceSequence(sequence, dir.path().string(), "first");
    loadDanceSequence(sequence, dir.path().string(), "1");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sequence.name, "1");
    ASSERT_EQ(sequence.frames.size(), 8u);
    EXPECT_EQ(sequence.frames[6].points[0].colour, 106u);
    EXPECT_TRUE(sequence.frames[7].points.empty());

    testing::internal::CaptureStdout();
    loadDanceSequence(sequence, dir / "missing", "1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Adding.. 1\nParsedSize: 0\n");
    EXPECT_TRUE(sequence.frames.empty());
}

TEST(DanceListing, DamagedFrameFilesAreCountedOnALineOfTheirOwn)
{
    TempDir dir;
    for (int i = 0; i < 5; ++i) {
        std::vector<uint8_t> frame = taggedFrame(static_cast<uint32_t>(i));
        if (i == 1 || i == 3) frame.resize(frame.size() / 2);
        writeFile(dir / numbered(i), frame);
    }
    DanceSequence sequence;
    testing::internal::CaptureStdout();
    loadDanceSequence(sequence, dir.path().string(), "1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Adding.. 1\nloadDanceSequence() : 2 of 5 frame files in " + dir.path().string() +
                  " are cut short or unreadable; what they lack stays empty\nParsedSize: 5\n");
    ASSERT_EQ(sequence.frames.size(), 5u);
    EXPECT_EQ(sequence.frames[4].points[0].colour, 4u);
}

}  // namespace
