#pragma once
// Hand-made mesh streams for the attribute and interface tests: a few small
// shapes whose traversal is written out symbol by symbol, and a helper that
// decodes a stream through the three exported functions.
#include <cstdint>
#include <vector>

#include "StreamBuilder.h"
#include "crt/Decoder.h"
#include "crt/Format.h"

namespace crttest {

struct Shape {
    uint32_t NV, NF;
    std::vector<uint8_t> symbols;
};

// Faces (0, 1, 2).
inline const Shape kTriangle{3, 1, {crt::ADD_VERTEX}};
// Faces (0, 1, 2), (2, 1, 3); vertex 3 is predicted from (2, 1, 0).
inline const Shape kSquare{4, 2, {crt::ADD_VERTEX, crt::ADD_VERTEX}};
// Faces (0, 1, 2), (2, 1, 3), (3, 1, 0): vertex 1 is inside, 0, 2, 3 on the rim.
inline const Shape kOpenTetrahedron{4, 3, {crt::ADD_VERTEX, crt::ADD_VERTEX, crt::FOLD_PREV}};
// Faces (0, 1, 2), (2, 1, 3), (3, 1, 0), (3, 0, 2): closed, no rim.
inline const Shape kTetrahedron{4, 4, {crt::ADD_VERTEX, crt::ADD_VERTEX, crt::FOLD_PREV, crt::FOLD_BOTH}};

// Header and topology of a shape; the caller appends the attribute payloads
// in name order. NV may exceed the shape's vertices.
inline StreamBuilder meshStream(const Shape& shape, const std::vector<Descriptor>& attributes, uint32_t NV = 0,
                                uint8_t entropy = crt::ENTROPY_RAW)
{
    StreamBuilder s;
    s.header(entropy, attributes, NV ? NV : shape.NV, shape.NF);
    s.groups({shape.NF}).u32(3 * shape.NF).codedArray(shape.symbols).bitStream(BitWriter());
    return s;
}

struct Outputs {
    bool positions = true, normals = true, colors = true, uvs = true;
    int positionComponents = 3, uvComponents = 2;
};

struct DecodedMesh {
    int result = 0;
    float counts[2] = {};
    std::vector<float> positions, normals, colors, uvs;
    std::vector<uint32_t> indices;
};

// Sentinel the outputs are filled with, to see what was written.
constexpr float kUnwritten = -12345.0f;

// Decodes through CreateDecoder / DecodeMesh / DestroyDecoder, with outputs
// sized from the reported counts.
inline DecodedMesh decodeMesh(const std::vector<uint8_t>& bytes, const Outputs& want = {})
{
    DecodedMesh m;
    void* decoder = CreateDecoder(int(bytes.size()), bytes.data(), m.counts);
    const size_t NF = size_t(m.counts[0]), NV = size_t(m.counts[1]);
    m.positions.assign(NV * size_t(want.positionComponents), kUnwritten);
    m.normals.assign(NV * 3, kUnwritten);
    m.colors.assign(NV * 4, kUnwritten);
    m.uvs.assign(NV * size_t(want.uvComponents), kUnwritten);
    m.indices.assign(NF * 3, 0xDEADBEEF);
    try {
        m.result = DecodeMesh(decoder, want.positions ? m.positions.data() : nullptr, m.indices.data(),
                              want.normals ? m.normals.data() : nullptr, want.colors ? m.colors.data() : nullptr,
                              want.uvs ? m.uvs.data() : nullptr);
    } catch (...) {
        DestroyDecoder(decoder);
        throw;
    }
    DestroyDecoder(decoder);
    return m;
}

}  // namespace crttest
