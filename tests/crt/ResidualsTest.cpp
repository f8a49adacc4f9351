// Residual sections from hand-made bits and bit counts.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "StreamBuilder.h"
#include "Thrown.h"
#include "crt/Residuals.h"

using crttest::BitWriter;
using crttest::StreamBuilder;
using crttest::thrown;

namespace {

crt::ByteCursor rawCursor(const StreamBuilder& s)
{
    crt::ByteCursor in(s.bytes.data(), s.size());
    in.entropy = crt::ENTROPY_RAW;
    return in;
}

TEST(Residuals, PerComponentCountsGiveTheMagnitudeAndTheSign)
{
    // Component 0 of three vertices, then component 1, from one bit reader.
    BitWriter bits;
    bits.put(1, 1).put(0, 1).put(0b010, 3);      // +1, -1, 2 < 4 so -2 - 4
    bits.put(0x80000001u, 32).put(0b11, 2);      // 32 bits, then 3 >= 2 so +3
    StreamBuilder s;
    s.bitStream(bits).rawArray({1, 1, 3}).rawArray({32, 2, 0}).u8(0x5A);

    crt::ByteCursor in = rawCursor(s);
    int32_t values[6] = {};
    crt::readResiduals(in, values, 2, 3);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], INT_MIN + 1);
    EXPECT_EQ(values[2], -1);
    EXPECT_EQ(values[3], 3);
    EXPECT_EQ(values[4], -6);
    EXPECT_EQ(values[5], 0);  // n = 0 reads nothing
    EXPECT_EQ(in.u8(), 0x5A);

    // Byte-valued attributes keep the low 8 bits.
    crt::ByteCursor again = rawCursor(s);
    uint8_t bytes[6] = {};
    crt::readResiduals(again, bytes, 2, 3);
    EXPECT_EQ(bytes[4], 250);
    EXPECT_EQ(bytes[2], 255);
}

TEST(Residuals, SharedCountsStoreValuesAboveMinusHalfTheRange)
{
    BitWriter bits;
    bits.put(0, 2).put(1, 2).put(3, 2);                          // n = 2: -2, -1, +1
    bits.put(0, 32).put(0xFFFFFFFFu, 32).put(0x80000000u, 32);  // n = 32
    StreamBuilder s;
    s.bitStream(bits).rawArray({2, 0, 32}).u8(0x5A);

    crt::ByteCursor in = rawCursor(s);
    int32_t values[9];
    EXPECT_EQ(crt::readResidualsShared(in, values, 3, 3), 3u);
    const int32_t expected[9] = {-2, -1, 1, 0, 0, 0, INT_MIN, INT_MAX, 0};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(values[k], expected[k]) << "value " << k;
    EXPECT_EQ(in.u8(), 0x5A);
}

TEST(Residuals, SkippingMovesPastTheWordsAndEveryArray)
{
    StreamBuilder s;
    s.bitStream(BitWriter().put(0xABC, 12)).rawArray({12}).rawArray({0}).u8(0x5A);
    crt::ByteCursor in = rawCursor(s);
    crt::skipResiduals(in, 2);
    EXPECT_EQ(in.u8(), 0x5A);
}

TEST(Residuals, DamagedSectionsAreRefused)
{
    auto separate = [](const StreamBuilder& s, uint32_t count) {
        return thrown([&] {
            crt::ByteCursor in = rawCursor(s);
            std::vector<int32_t> values(8);
            crt::readResiduals(in, values.data(), 2, count);
        });
    };
    // Arrays of another length than the vertex count.
    EXPECT_EQ(separate(StreamBuilder().bitStream(BitWriter()).rawArray({0, 0}).rawArray({0}), 2),
              "Corrupt crt stream.");
    EXPECT_EQ(separate(StreamBuilder().bitStream(BitWriter()).rawArray({0}).rawArray({0}), 2),
              "Corrupt crt stream.");
    // A bit count above 32.
    EXPECT_EQ(separate(StreamBuilder().bitStream(BitWriter().put(0, 32).put(0, 32)).rawArray({33}).rawArray({0}), 1),
              "Corrupt crt stream.");
    // Counts asking for more bits than the words hold.
    EXPECT_EQ(separate(StreamBuilder().bitStream(BitWriter().put(1, 1)).rawArray({20, 20}).rawArray({0, 0}), 2),
              "Truncated crt stream.");
    // A word count beyond the block.
    EXPECT_EQ(separate(StreamBuilder().u32(1000).u32(0), 1), "Truncated crt stream.");

    // Shared counts: more entries than the caller has room for.
    EXPECT_EQ(thrown([] {
                  StreamBuilder s;
                  s.bitStream(BitWriter()).rawArray({0, 0, 0});
                  crt::ByteCursor in = rawCursor(s);
                  int32_t values[4];
                  crt::readResidualsShared(in, values, 2, 2);
              }),
              "Corrupt crt stream.");
}

}  // namespace
