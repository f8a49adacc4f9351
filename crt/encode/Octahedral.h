#pragma once
// Unit normals on the octahedral grid of size u: grid points (X, Y) with
// |X|, |Y| <= u; the lower half of the sphere is folded over the diagonals.
#include <array>
#include <cstdint>

namespace crt::enc {

// The grid point nearest to the direction n (need not be unit length; must
// not be zero).
std::array<int32_t, 2> octEncode(const float n[3], int32_t u);

// The unit normal of a grid point, computed as the decoder computes it.
std::array<float, 3> octDecode(int32_t X, int32_t Y, int32_t u);

// The decoder's projection of an unnormalised estimate onto the grid:
// trunc(u x ox'), trunc(u x oy'), in single precision step by step.
std::array<int32_t, 2> octProjectEstimate(const float e[3], int32_t u);

}  // namespace crt::enc
