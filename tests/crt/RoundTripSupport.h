#pragma once
// Shared by the round-trip tests: decoding through the three exported
// functions, and comparisons of the decoded mesh with the encoder's input.
#include <array>
#include <cstdint>
#include <vector>

#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"

namespace crt::roundtrip {

struct Decoded {
    uint32_t NV = 0, NF = 0;
    std::vector<float> positions;  // 3 per vertex
    std::vector<uint32_t> indices;
    std::vector<float> normals;    // 3 per vertex, when asked for
    std::vector<float> colors;     // 4 per vertex, when asked for
    std::vector<float> uvs;        // uvComponents per vertex, when asked for
};

struct Outputs {
    bool normals = true;
    bool colors = true;
    int uvComponents = 2;  // 0: no uv output
};

// Decodes through CreateDecoder, DecodeMesh and DestroyDecoder.
Decoded decode(const std::vector<uint8_t>& stream, Outputs outputs = {});

// Triangles as input-vertex triples in their smallest rotation, sorted:
// equal for two lists holding the same oriented triangles.
std::vector<std::array<uint32_t, 3>> canonicalTriangles(const uint32_t* indices, size_t faces,
                                                        const std::vector<uint32_t>* toInput = nullptr);

// Gtest expectations over the whole mesh; vertexOrder maps decoded vertices
// to input vertices.
void expectSameTriangles(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder);
void expectPositionsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                           float step);
void expectUvsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder, float step);
void expectColorsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                        std::array<int, 4> steps, int storedChannels);
// Every normal is the decoded grid point nearest the input normal, exactly.
void expectNormalsOnGrid(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                         int gridBits);

// Vertices on an edge that only one decoded triangle holds.
std::vector<bool> borderVertices(const Decoded& out);

// Angle between two directions, in radians.
double angleBetween(const float* a, const float* b);

}  // namespace crt::roundtrip
