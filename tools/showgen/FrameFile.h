#pragma once
// The dance recording's frame file: two 4 x 4 float matrices, then counted arrays of points
// (28 bytes each), of 8-byte pairs and of 3-float vectors, all little-endian.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace showgen {

struct DancePointRecord {
    uint32_t colour = 0x00FF0000;
    std::array<float, 3> position{};
    std::array<float, 3> offset{};  // place in the previous frame minus place in this one
};

struct FrameData {
    std::array<float, 16> matrixA{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::array<float, 16> matrixB = matrixA;
    std::vector<DancePointRecord> points;
    int32_t pairCount = 0, vectorCount = 0;  // written as zero, read back for checks
};

// Throws std::runtime_error when the file cannot be written.
void writeFrameFile(const std::string& path, const FrameData& frame);
// Throws std::runtime_error when the file is missing, truncated or has a negative count.
FrameData readFrameFile(const std::string& path);

// The name of frame `index` in its folder: sorting the names gives the frame order.
std::string frameFileName(int index);
// Paths of the ".processed" files of a folder, sorted by name.
std::vector<std::string> listFrameFiles(const std::string& folder);

}  // namespace showgen
