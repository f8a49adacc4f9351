#pragma once
// The Tunstall dictionary shared by decoder and encoder: from a probability
// table of (symbol, probability) pairs both sides build the same 256 words.
#include <cstdint>
#include <vector>

namespace crt {

constexpr int kTunstallCodes = 256;         // word size 8
constexpr int kTunstallStoreBytes = 8192;   // bytes of the word store

struct TunstallDictionary {
    std::vector<uint8_t> store;        // the words' bytes, kTunstallStoreBytes long
    uint16_t offset[kTunstallCodes];   // code -> offset of its word in store
    uint16_t length[kTunstallCodes];   // code -> length of its word (0: unused code)
};

// Builds the dictionary for the S pairs (symbols[i], probs[i]) in stored order.
// Nothing is built for S <= 1. Returns false when the table cannot be built
// within the word store (a corrupt table); valid tables always fit.
bool buildTunstallDictionary(const uint8_t* symbols, const uint8_t* probs, int S,
                             TunstallDictionary& out);

}  // namespace crt
