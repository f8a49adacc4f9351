#pragma once
// Tunstall coding of a byte array: the probability table the decoder reads,
// and code bytes whose words, expanded in order, give back the input (the
// last word cut to the input's length).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt::enc {

struct TunstallBlock {
    std::vector<uint8_t> symbols;  // in stored order: descending probability
    std::vector<uint8_t> probs;    // count x 255 / total
    std::vector<uint8_t> codes;
};

// Throws EncodeError only if the table cannot be built (more than 255
// distinct byte values).
TunstallBlock tunstallEncode(const uint8_t* data, size_t n);

}  // namespace crt::enc
