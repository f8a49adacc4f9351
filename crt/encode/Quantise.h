#pragma once
// From the caller's floats to the integers that are stored, in decoding order.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace crt::enc {

// The step that spreads the largest per-component extent of values over
// 2^bits levels (1 when all values are equal).
float stepForBits(const std::vector<float>& values, int N, int bits);

// round(value / step) for each component of vertex order[i]; raises for
// values that are not finite or too far from zero for the step.
std::vector<int32_t> quantise(const std::vector<float>& values, int N, float step,
                              const std::vector<uint32_t>& order, const std::string& name);

// Colours as stored bytes: each channel x 255 rounded, divided by its step,
// then (G, B - G, R - G, A) modulo 256, the first storedChannels of them.
std::vector<uint8_t> colorBytes(const std::vector<float>& rgba, const std::array<int, 4>& steps,
                                int storedChannels, const std::vector<uint32_t>& order);

}  // namespace crt::enc
