// Frame files written byte by byte, including damaged ones, read back.
#include "parts/dancers/DanceSequence.h"
#include "tests/dancers/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool isIdentity(const float* m)
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) return false;
    return true;
}

DanceFrame load(const std::string& path)
{
    DanceFrame frame;
    loadDanceFrame(frame, path);
    return frame;
}

// A frame that already holds data, to show loading replaces it.
DanceFrame dirtyFrame()
{
    DanceFrame frame;
    frame.points.resize(5);
    frame.pairs.resize(3);
    frame.vectors.resize(2);
    return frame;
}

TEST(DanceFrameFile, EmptyFrameOf140BytesHasNoPointsAndKeepsTheMatrices)
{
    TempDir dir;
    Bytes bytes;
    bytes.identity();
    for (int i = 0; i < 16; ++i) bytes.f32(static_cast<float>(i) + 0.5f);
    bytes.i32(0).i32(0).i32(0);
    ASSERT_EQ(bytes.data.size(), 140u);
    writeFile(dir / "a.processed", bytes.data);

    DanceFrame frame = dirtyFrame();
    loadDanceFrame(frame, dir / "a.processed");
    EXPECT_TRUE(frame.points.empty());
    EXPECT_TRUE(frame.pairs.empty());
    EXPECT_TRUE(frame.vectors.empty());
    EXPECT_TRUE(isIdentity(frame.matrixA));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(frame.matrixB[i], static_cast<float>(i) + 0.5f);
}

TEST(DanceFrameFile, AllThreeArraysKeepTheExactBytes)
{
    TempDir dir;
    Bytes bytes;
    bytes.identity().identity();
    bytes.i32(2);
    bytes.u32(0xDEADBEEF).f32(1.25f).f32(-2.5f).f32(3.75f).f32(0.125f).f32(-0.0625f).f32(1e-20f);
    bytes.u32(0x0000FF00).f32(-1.0f).f32(1e30f).f32(std::nextafter(1.0f, 2.0f)).f32(0).f32(0).f32(-7.5f);
    bytes.i32(1).raw({1, 2, 3, 4, 5, 6, 7, 8});
    bytes.i32(1).f32(9.0f).f32(-9.0f).f32(0.5f);
    bytes.raw({0xAA, 0xBB});  // trailing bytes are ignored
    writeFile(dir / "two.processed", bytes.data);

    const DanceFrame frame = load(dir / "two.processed");
    ASSERT_EQ(frame.points.size(), 2u);
    EXPECT_EQ(frame.points[0].colour, 0xDEADBEEFu);
    EXPECT_EQ(frame.points[0].position[0], 1.25f);
    EXPECT_EQ(frame.points[0].position[1], -2.5f);
    EXPECT_EQ(frame.points[0].position[2], 3.75f);
    EXPECT_EQ(frame.points[0].offset[0], 0.125f);
    EXPECT_EQ(frame.points[0].offset[1], -0.0625f);
    EXPECT_EQ(frame.points[0].offset[2], 1e-20f);
    EXPECT_EQ(frame.points[1].colour, 0x0000FF00u);
    EXPECT_EQ(frame.points[1].position[1], 1e30f);
    EXPECT_EQ(frame.points[1].position[2], std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(frame.points[1].offset[2], -7.5f);
    ASSERT_EQ(frame.pairs.size(), 1u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(frame.pairs[0].bytes[i], i + 1);
    ASSERT_EQ(frame.vectors.size(), 1u);
    EXPECT_EQ(frame.vectors[0].xyz[0], 9.0f);
    EXPECT_EQ(frame.vectors[0].xyz[1], -9.0f);
    EXPECT_EQ(frame.vectors[0].xyz[2], 0.5f);
}

TEST(DanceFrameFile, ShortFilesKeepDefaultsWhereTheFileStops)
{
    TempDir dir;
    // Only 100 bytes: matrixA whole, matrixB a quarter read, the rest identity.
    Bytes shortMatrix;
    for (int i = 0; i < 16; ++i) shortMatrix.f32(2.0f);
    for (int i = 0; i < 9; ++i) shortMatrix.f32(3.0f);
    writeFile(dir / "m.processed", shortMatrix.data);
    DanceFrame frame = dirtyFrame();
    loadDanceFrame(frame, dir / "m.processed");
    EXPECT_EQ(frame.matrixA[15], 2.0f);
    EXPECT_EQ(frame.matrixB[8], 3.0f);
    EXPECT_EQ(frame.matrixB[9], 0.0f);
    EXPECT_EQ(frame.matrixB[10], 1.0f);
    EXPECT_TRUE(frame.points.empty());

    // Two points promised, the file ends inside the second one's position.
    Bytes cut;
    cut.identity().identity().i32(2);
    cut.u32(7).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6);
    cut.u32(8).f32(9);
    writeFile(dir / "cut.processed", cut.data);
    frame = load(dir / "cut.processed");
    ASSERT_EQ(frame.points.size(), 2u);
    EXPECT_EQ(frame.points[0].offset[2], 6.0f);
    EXPECT_EQ(frame.points[1].colour, 8u);
    EXPECT_EQ(frame.points[1].position[0], 9.0f);
    EXPECT_EQ(frame.points[1].position[1], 0.0f);
    EXPECT_EQ(frame.points[1].offset[2], 0.0f);
    EXPECT_TRUE(frame.pairs.empty());
    EXPECT_TRUE(frame.vectors.empty());

    // A missing file empties the arrays and keeps the matrices.
    frame = dirtyFrame();
    frame.matrixA[3] = 42.0f;
    loadDanceFrame(frame, dir / "missing.processed");
    EXPECT_TRUE(frame.points.empty() && frame.pairs.empty() && frame.vectors.empty());
    EXPECT_EQ(frame.matrixA[3], 42.0f);
}

TEST(DanceFrameFile, CorruptCountsNeverReadOrAllocateBeyondTheFile)
{
    TempDir dir;
    // A negative point count reads no points; the next count is read from
    // where the points would have started.
    Bytes negative;
    negative.identity().identity().i32(-5).i32(1).raw({9, 9, 9, 9, 9, 9, 9, 9}).i32(0);
    writeFile(dir / "neg.processed", negative.data);
    DanceFrame frame = load(dir / "neg.processed");
    EXPECT_TRUE(frame.points.empty());
    ASSERT_EQ(frame.pairs.size(), 1u);
    EXPECT_EQ(frame.pairs[0].bytes[7], 9);

    // Counts of two billion on a small file: only what the file holds.
    Bytes huge;
    huge.identity().identity().i32(0x7FFFFFFF).u32(1).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6);
    writeFile(dir / "huge.processed", huge.data);
    frame = load(dir / "huge.processed");
    ASSERT_EQ(frame.points.size(), 1u);
    EXPECT_EQ(frame.points[0].offset[2], 6.0f);
    EXPECT_LE(frame.points.capacity(), 2u);

    Bytes hugeLater;
    hugeLater.identity().identity().i32(0).i32(0x7FFFFFFF).raw({1, 2, 3});
    writeFile(dir / "huge2.processed", hugeLater.data);
    frame = load(dir / "huge2.processed");
    ASSERT_EQ(frame.pairs.size(), 1u);
    EXPECT_EQ(frame.pairs[0].bytes[2], 3);
    EXPECT_EQ(frame.pairs[0].bytes[3], 0);
    EXPECT_TRUE(frame.vectors.empty());

    Bytes negativeLast;
    negativeLast.identity().identity().i32(0).i32(0).i32(std::numeric_limits<int32_t>::min());
    writeFile(dir / "neg3.processed", negativeLast.data);
    frame = dirtyFrame();
    loadDanceFrame(frame, dir / "neg3.processed");
    EXPECT_TRUE(frame.vectors.empty());

    // A count cut in half by the end of the file.
    Bytes halfCount;
    halfCount.identity().identity().raw({1, 0});
    writeFile(dir / "half.processed", halfCount.data);
    frame = load(dir / "half.processed");
    EXPECT_TRUE(frame.points.empty());
}

}  // namespace

namespace {

TEST(DanceFrameFile, TellsWhetherTheFileHeldAllItsCountsAnnounce)
{
    TempDir dir;
    Bytes whole;
    whole.identity().identity().i32(1).u32(7).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6).i32(0).i32(-4);
    writeFile(dir / "whole.processed", whole.data);
    DanceFrame frame;
    EXPECT_TRUE(loadDanceFrame(frame, dir / "whole.processed"));

    // Cut inside the point, before the counts of pairs and vectors, inside a matrix.
    for (size_t keep : {whole.data.size() - 9, size_t{128 + 4 + 28}, size_t{100}, size_t{0}}) {
        Bytes cut = whole;
        cut.data.resize(keep);
        writeFile(dir / "cut.processed", cut.data);
        EXPECT_FALSE(loadDanceFrame(frame, dir / "cut.processed")) << keep;
    }
    // A count larger than the records that follow, even when they fill the file exactly.
    Bytes promised;
    promised.identity().identity().i32(3).u32(7).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6);
    writeFile(dir / "promised.processed", promised.data);
    EXPECT_FALSE(loadDanceFrame(frame, dir / "promised.processed"));
    EXPECT_EQ(frame.points.size(), 1u);
    EXPECT_FALSE(loadDanceFrame(frame, dir / "missing.processed"));
}

}  // namespace
