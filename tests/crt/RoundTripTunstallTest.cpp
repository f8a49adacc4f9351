// The Tunstall coder against the shared dictionary construction: the codes
// it picks expand, word by word and with the last word cut, to its input.
#include <gtest/gtest.h>

#include <random>

#include "crt/Tunstall.h"
#include "crt/encode/TunstallEncoder.h"

namespace crt::enc {
namespace {

std::vector<uint8_t> expand(const TunstallBlock& block, size_t L) {
    const int S = int(block.symbols.size());
    if (L == 0) return {};
    if (S == 1) return std::vector<uint8_t>(L, block.symbols[0]);
    TunstallDictionary dict;
    EXPECT_TRUE(buildTunstallDictionary(block.symbols.data(), block.probs.data(), S, dict));
    std::vector<uint8_t> out;
    for (size_t k = 0; k < block.codes.size(); ++k) {
        const uint8_t c = block.codes[k];
        EXPECT_GT(dict.length[c], 0) << "code " << int(c) << " has no word";
        size_t take = dict.length[c];
        if (k + 1 == block.codes.size()) {
            EXPECT_LE(out.size(), L);
            EXPECT_LE(L - out.size(), take) << "the last word is too short for the rest";
            take = std::min(take, L - out.size());
        }
        out.insert(out.end(), dict.store.begin() + dict.offset[c], dict.store.begin() + dict.offset[c] + take);
    }
    return out;
}

void expectRoundTrip(const std::vector<uint8_t>& input) {
    const TunstallBlock block = tunstallEncode(input.data(), input.size());
    EXPECT_EQ(expand(block, input.size()), input);
    // The table: only symbols that occur, count x 255 / total, in descending order.
    std::array<uint64_t, 256> count{};
    for (uint8_t b : input) ++count[b];
    size_t present = 0;
    for (uint64_t c : count) present += c > 0;
    ASSERT_EQ(block.symbols.size(), present);
    for (size_t i = 0; i < block.symbols.size(); ++i) {
        EXPECT_EQ(block.probs[i], count[block.symbols[i]] * 255 / input.size());
        if (i > 0) {
            EXPECT_GE(block.probs[i - 1], block.probs[i]);
        }
    }
}

TEST(RoundTripTunstall, EmptyAndSingleSymbolNeedNoCodes) {
    EXPECT_TRUE(tunstallEncode(nullptr, 0).codes.empty());
    const std::vector<uint8_t> same(1000, 4);
    const TunstallBlock block = tunstallEncode(same.data(), same.size());
    EXPECT_TRUE(block.codes.empty());
    ASSERT_EQ(block.symbols.size(), 1u);
    EXPECT_EQ(block.symbols[0], 4);
    EXPECT_EQ(block.probs[0], 255);
}

TEST(RoundTripTunstall, DominantSymbolTakesTheFastStartAndCompresses) {
    // 250 : 5 builds the dictionary through the fast start.
    std::vector<uint8_t> input;
    for (int i = 0; i < 5000; ++i) input.push_back(i % 51 == 50 ? 7 : 0);
    expectRoundTrip(input);
    const TunstallBlock block = tunstallEncode(input.data(), input.size());
    EXPECT_LT(block.codes.size(), input.size() / 8);
}

TEST(RoundTripTunstall, BalancedAndSkewedTablesEveryLength) {
    std::mt19937 rng(7);
    for (size_t length : {1u, 2u, 3u, 17u, 255u, 256u, 4097u}) {
        std::vector<uint8_t> balanced(length), geometric(length);
        std::geometric_distribution<int> g(0.35);
        for (size_t i = 0; i < length; ++i) {
            balanced[i] = static_cast<uint8_t>(rng() & 1);
            geometric[i] = static_cast<uint8_t>(std::min(g(rng), 32));  // like bit counts
        }
        SCOPED_TRACE(length);
        expectRoundTrip(balanced);
        expectRoundTrip(geometric);
    }
}

TEST(RoundTripTunstall, RareSymbolsWithZeroProbabilityStillCode) {
    // 1 in 1000 gets probability 0 but must still be codable.
    std::vector<uint8_t> input(3000, 1);
    input[10] = 9;
    input[2999] = 200;
    for (size_t i = 0; i < input.size(); i += 3) input[i] = 2;
    expectRoundTrip(input);
}

TEST(RoundTripTunstall, ManySymbols) {
    std::vector<uint8_t> input;
    for (int i = 0; i < 20000; ++i) input.push_back(static_cast<uint8_t>((i * 7919) % 200));
    expectRoundTrip(input);
}

}  // namespace
}  // namespace crt::enc
