#pragma once
// The baseline: Draco encoding of positions and normals, and its decoding
// into the same float and index arrays the crt decoder fills.
#include <cstdint>
#include <vector>

#include "crt/encode/Shapes.h"

namespace crtbench {

// Edgebreaker at the given speed with positions and normals quantised to the given bits.
std::vector<char> dracoEncode(const crt::shapes::Mesh& mesh, int positionBits, int normalBits, int speed);

struct DecodeArrays {
    std::vector<float> positions, normals;
    std::vector<uint32_t> indices;
};

// Decodes and copies into out (resized as needed); returns the face count.
uint32_t dracoDecode(const std::vector<char>& stream, DecodeArrays& out);

}  // namespace crtbench
