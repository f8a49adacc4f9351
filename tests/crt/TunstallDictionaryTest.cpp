// The Tunstall dictionary that decoder and encoder both build from a stored
// probability table.
#include "crt/Tunstall.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct Pair {
    uint8_t sym;
    uint8_t prob;
};

std::vector<std::string> wordsOf(const std::vector<Pair>& table)
{
    std::vector<uint8_t> syms, probs;
    for (const Pair& p : table) {
        syms.push_back(p.sym);
        probs.push_back(p.prob);
    }
    crt::TunstallDictionary dict;
    EXPECT_TRUE(crt::buildTunstallDictionary(syms.data(), probs.data(), int(table.size()), dict));
    std::vector<std::string> words;
    for (int code = 0; code < crt::kTunstallCodes; ++code)
        words.emplace_back(reinterpret_cast<const char*>(dict.store.data()) + dict.offset[code],
                           dict.length[code]);
    return words;
}

// A model that keeps every word as a string and always takes the plain start:
// one word per symbol, then repeated expansion of the most probable queue head.
// Where the first symbol's run is laid out at once, the result must be the
// same words as if that run had been grown one expansion at a time.
std::vector<std::string> modelWords(const std::vector<Pair>& table)
{
    const size_t S = table.size();
    std::vector<std::string> word;
    std::vector<uint32_t> prob;
    std::vector<size_t> head;
    for (size_t c = 0; c < S; ++c) {
        word.emplace_back(1, char(table[c].sym));
        prob.push_back(uint32_t(table[c].prob) << 8);
        head.push_back(c);
    }
    size_t F = S;
    while (F < 256) {
        size_t best = 0;
        for (size_t c = 1; c < S; ++c)
            if (prob[head[c]] > prob[head[best]])
                best = c;
        const std::string w = word[head[best]];
        const uint32_t P = prob[head[best]];
        size_t made = 0;
        for (size_t c = 0; c < S; ++c) {
            word.push_back(w + char(table[c].sym));
            prob.push_back((uint32_t(table[c].prob) * 256 * P) >> 16);
            ++made;
            if (F + c + 1 == 256)
                break;
        }
        if (made == S)
            head[best] += S;
        F += S - 1;
    }
    std::vector<std::string> codes;
    for (size_t j = 0; j < word.size(); ++j)
        if (j >= head[j % S])
            codes.push_back(word[j]);
    return codes;
}

TEST(TunstallDictionary, DominantSymbolRunningIntoTheSizeLimitTakesTheFastStart)
{
    // (254, 1): the run of 'a' stops at the limit of 255 repeats, not because
    // its probability fell below that of 'b'; it is still laid out at once.
    const std::vector<std::string> words = wordsOf({{'a', 254}, {'b', 1}});
    for (int m = 0; m <= 253; ++m)
        EXPECT_EQ(words[m], std::string(m, 'a') + "b") << "code " << m;
    EXPECT_EQ(words[254], std::string(255, 'a'));
    EXPECT_EQ(words[255], std::string(254, 'a') + "b");
}

TEST(TunstallDictionary, FastStartGivesTheWordsOfStepByStepGrowth)
{
    // The first three take the fast start (runs of 16 and more), the others
    // the plain start; every one must give the model's code-to-word mapping.
    const std::vector<std::vector<Pair>> tables = {
        {{'x', 250}, {'y', 5}},
        {{7, 240}, {3, 9}, {1, 6}},
        {{0, 230}, {6, 10}, {5, 8}, {2, 4}, {1, 3}},
        {{'a', 128}, {'b', 127}},
        {{0, 100}, {1, 80}, {2, 40}, {3, 20}, {4, 10}, {5, 5}},
        {{9, 3}, {4, 200}, {2, 50}},  // not sorted: still a valid construction
    };
    for (const auto& table : tables)
        EXPECT_EQ(wordsOf(table), modelWords(table)) << "table starting with sym " << int(table[0].sym);
}

TEST(TunstallDictionary, TiesGoToTheLowestColumn)
{
    // Equal halves: the words grow level by level, 'a' before 'b' at every
    // tie, and the last expansion is cut after one child, so b^7 stays a word
    // (the lowest slot, code 0) beside 255 words of 8 symbols from a^8 on.
    const std::vector<std::string> words = wordsOf({{'a', 128}, {'b', 128}});
    EXPECT_EQ(words[0], "bbbbbbb");
    EXPECT_EQ(words[1], "aaaaaaaa");
    EXPECT_EQ(words[2], "aaaaaaab");
    std::set<std::string> distinct(words.begin(), words.end());
    EXPECT_EQ(distinct.size(), 256u);
    for (size_t code = 1; code < words.size(); ++code)
        EXPECT_EQ(words[code].size(), 8u);
    EXPECT_EQ(words, modelWords({{'a', 128}, {'b', 128}}));
    // Three equal symbols and a partial last expansion.
    EXPECT_EQ(wordsOf({{1, 85}, {2, 85}, {3, 85}}), modelWords({{1, 85}, {2, 85}, {3, 85}}));
}

TEST(TunstallDictionary, TablesThatOverflowTheWordStoreAreRefused)
{
    // All probabilities zero: every tie goes to the first column, so one chain
    // grows a symbol longer at each step and its copies exceed the store.
    const uint8_t syms[3] = {1, 2, 3};
    const uint8_t probs[3] = {0, 0, 0};
    crt::TunstallDictionary dict;
    EXPECT_FALSE(crt::buildTunstallDictionary(syms, probs, 3, dict));
}

}  // namespace
