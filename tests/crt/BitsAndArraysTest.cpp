// Bit streams and coded byte arrays, read from hand-made bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StreamBuilder.h"
#include "Thrown.h"
#include "crt/BitReader.h"
#include "crt/ByteArray.h"
#include "crt/Tunstall.h"

using crttest::BitWriter;
using crttest::StreamBuilder;
using crttest::thrown;

namespace {

// Decodes the one coded array in bytes and returns it as text.
std::string readArray(const std::vector<uint8_t>& bytes, int32_t entropy, uint64_t maxLength = UINT64_MAX)
{
    crt::ByteCursor in(bytes.data(), bytes.size());
    in.entropy = entropy;
    std::vector<uint8_t> storage;
    const crt::ByteView view = crt::readByteArray(in, storage, maxLength);
    return std::string(reinterpret_cast<const char*>(view.data), view.size);
}

std::vector<uint8_t> tunstall(const std::vector<std::pair<uint8_t, uint8_t>>& table, uint32_t L,
                              const std::vector<uint8_t>& codes)
{
    return StreamBuilder().tunstallBlock(table, L, codes).bytes;
}

TEST(BitReader, ReadsMostSignificantBitFirstAcrossWords)
{
    const std::vector<uint8_t> bytes = StreamBuilder().u32(0xA5000001).u32(0xC0000003).u32(0xFFFFFFFF).bytes;
    crt::BitReader bits(bytes.data(), 3);
    EXPECT_EQ(bits.read(4), 0xAu);
    EXPECT_EQ(bits.read(4), 0x5u);
    EXPECT_EQ(bits.read(0), 0u);
    EXPECT_EQ(bits.read(23), 0u);
    EXPECT_EQ(bits.read(2), 3u);  // last bit of word 0, first of word 1
    EXPECT_EQ(bits.read(32), 0x80000007u);
    EXPECT_EQ(bits.read(31), 0x7FFFFFFFu);
    EXPECT_EQ(thrown([&] { bits.read(1); }), "Truncated crt stream.");
}

TEST(BitReader, SectionPaddingDependsOnTheOffsetFromTheBlockStart)
{
    for (size_t prefix = 0; prefix < 8; ++prefix) {
        StreamBuilder s;
        for (size_t i = 0; i < prefix; ++i)
            s.u8(0x11);
        s.bitStream(BitWriter().put(0x2A, 6)).u8(0x77);
        const size_t padding = (4 - (prefix + 4) % 4) % 4;
        ASSERT_EQ(s.size(), prefix + 4 + padding + 4 + 1);

        crt::ByteCursor in(s.bytes.data(), s.size());
        in.skip(prefix);
        crt::BitReader bits = crt::readBitStream(in);
        EXPECT_EQ(bits.read(6), 0x2Au) << "prefix " << prefix;
        EXPECT_EQ(in.u8(), 0x77) << "prefix " << prefix;
    }
}

TEST(ByteArrays, RawArraysAndUnknownEntropy)
{
    EXPECT_EQ(readArray(StreamBuilder().rawArray({'h', 'i'}).bytes, crt::ENTROPY_RAW), "hi");
    EXPECT_EQ(thrown([] { readArray(StreamBuilder().u32(3).u8('x').bytes, crt::ENTROPY_RAW); }),
              "Truncated crt stream.");
    EXPECT_EQ(thrown([] { readArray(StreamBuilder().rawArray({1, 2, 3}).bytes, crt::ENTROPY_RAW, 2); }),
              "Corrupt crt stream.");
    EXPECT_EQ(thrown([] { readArray(StreamBuilder().rawArray({1}).bytes, 2); }), "Unknown entropy");
}

TEST(ByteArrays, TunstallCodesExpandToTheirWordsAndTheLastIsCut)
{
    // (254, 1) takes the fast start: code m < 254 is a^m b, code 254 is a^255.
    EXPECT_EQ(readArray(tunstall({{'a', 254}, {'b', 1}}, 15, {3, 0, 254}), crt::ENTROPY_TUNSTALL),
              "aaab" "b" "aaaaaaaaaa");
    // Plain start: the same words as the shared dictionary holds.
    const uint8_t syms[2] = {'x', 'y'}, probs[2] = {128, 127};
    crt::TunstallDictionary dict;
    ASSERT_TRUE(crt::buildTunstallDictionary(syms, probs, 2, dict));
    auto word = [&](int code) {
        return std::string(reinterpret_cast<const char*>(dict.store.data()) + dict.offset[code], dict.length[code]);
    };
    const std::string expected = word(5) + word(7) + word(200).substr(0, 3);
    EXPECT_EQ(readArray(tunstall({{'x', 128}, {'y', 127}}, uint32_t(expected.size()), {5, 7, 200}),
                        crt::ENTROPY_TUNSTALL),
              expected);
}

TEST(ByteArrays, SingleSymbolAndEmptyTunstallBlocks)
{
    // S = 1: a fill, the code bytes passed over unread.
    EXPECT_EQ(readArray(tunstall({{'z', 255}}, 1000, {}), crt::ENTROPY_TUNSTALL), std::string(1000, 'z'));
    std::vector<uint8_t> bytes = tunstall({{'z', 255}}, 2, {9, 9, 9});
    bytes.push_back('!');
    crt::ByteCursor in(bytes.data(), bytes.size());
    in.entropy = crt::ENTROPY_TUNSTALL;
    std::vector<uint8_t> storage;
    EXPECT_EQ(crt::readByteArray(in, storage, 10).size, 2u);
    EXPECT_EQ(in.u8(), '!');
    // L = 0: nothing, whatever the table and the codes say.
    EXPECT_EQ(readArray(tunstall({{'a', 10}, {'b', 10}}, 0, {1, 2}), crt::ENTROPY_TUNSTALL), "");
    EXPECT_EQ(readArray(tunstall({}, 0, {}), crt::ENTROPY_TUNSTALL), "");
}

TEST(ByteArrays, DamagedTunstallBlocksAreRefused)
{
    const std::vector<std::pair<uint8_t, uint8_t>> ab = {{'a', 254}, {'b', 1}};
    auto error = [](const std::vector<uint8_t>& bytes, uint64_t maxLength = UINT64_MAX) {
        return thrown([&] { readArray(bytes, crt::ENTROPY_TUNSTALL, maxLength); });
    };
    // A word that runs past L before the last code.
    EXPECT_EQ(error(tunstall(ab, 3, {3, 0})), "Corrupt crt stream.");
    // The last word is shorter than what is still missing.
    EXPECT_EQ(error(tunstall(ab, 6, {3, 0})), "Corrupt crt stream.");
    // Output but no codes, or no symbols.
    EXPECT_EQ(error(tunstall(ab, 5, {})), "Corrupt crt stream.");
    EXPECT_EQ(error(tunstall({}, 5, {})), "Corrupt crt stream.");
    // More output than the codes could make, and more than the caller allows:
    // both refused before the output is allocated.
    EXPECT_EQ(error(tunstall(ab, 0xFFFFFFFFu, {1})), "Corrupt crt stream.");
    EXPECT_EQ(error(tunstall({{'z', 255}}, 0xFFFFFFFFu, {}), 1000), "Corrupt crt stream.");
    // A table whose dictionary overflows the word store.
    EXPECT_EQ(error(tunstall({{1, 0}, {2, 0}, {3, 0}}, 1, {0})), "Corrupt crt stream.");
    // Code bytes beyond the block.
    std::vector<uint8_t> cut = tunstall(ab, 4, {3, 0});
    cut.pop_back();
    EXPECT_EQ(error(cut), "Truncated crt stream.");
}

}  // namespace
