#pragma once
// Tunstall coding of a byte array: the probability table the decoder reads,
// and code bytes whose words, expanded in order, give back the input (the
// last word cut to the input's length).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt::enc {

struct TunstallBlock {
    std::vector<uint8_t> symbols;  // in stored order: descending count
    std::vector<uint8_t> probs;    // count x 255 / total, unless a search changed them
    std::vector<uint8_t> codes;
};

// The table holds the counted probabilities (count x 255 / total, in
// descending order); with a search budget, up to that many other tables are
// tried and the one giving the fewest codes is kept. Throws EncodeError only
// if the table cannot be built (more than 255 distinct byte values).
TunstallBlock tunstallEncode(const uint8_t* data, size_t n, int searchBudget = 0);

// About the bytes a Tunstall block of the counted table takes for an array
// with this histogram of byte values, if its bytes were independent: a quick
// guide for choosing between arrays before coding them.
double estimatedTunstallBytes(const std::array<uint64_t, 256>& histogram);

// Bytes the block takes in a stream: S, the pairs, L, K and the codes.
size_t tunstallBlockBytes(const TunstallBlock& block);

}  // namespace crt::enc
