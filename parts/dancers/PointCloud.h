#pragma once
// The show's fixed point cloud, read from a text file of x y z triples.
#include <array>
#include <string>
#include <vector>

using Point3 = std::array<float, 3>;

constexpr size_t kCloudPointCount = 10000;

// Always 10000 points: the first 10000 triples of the file, whitespace
// separated. From the first number that cannot be read on (the end of the
// file, a token that is not a number, a missing file), coordinates are 0.
std::vector<Point3> readPointFile(const std::string& path);
