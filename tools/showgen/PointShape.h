#pragma once
// The show's point file: 10000 points on a shape, "x y z" per line.
#include <string>
#include <vector>

#include "tools/showgen/Geometry.h"

namespace showgen {

constexpr int kShapePoints = 10000;

// Points on a tube wound along a (3, 7) torus knot, about one unit across.
std::vector<Vec3> torusKnotPoints(int count);
void writePointFile(const std::string& path, const std::vector<Vec3>& points);  // throws on failure

}  // namespace showgen
