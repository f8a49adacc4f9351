#pragma once
// Writes a decoded mesh as a PLY file (binary little-endian, or ASCII).
#include <cstdint>
#include <string>
#include <vector>

namespace crttool {

struct DecodedMesh {
    uint32_t NV = 0, NF = 0;
    int positionComponents = 0;   // 0 when the stream has no positions
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    std::vector<float> normals;   // empty or 3 per vertex
    std::vector<float> colors;    // empty or 4 per vertex, 0..1
    int uvComponents = 0;
    std::vector<float> uvs;
};

// Throws std::runtime_error when the file cannot be written.
void writePly(const std::string& path, const DecodedMesh& mesh, bool ascii);

}  // namespace crttool
