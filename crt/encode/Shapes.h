#pragma once
// Procedural meshes with known normals, colours and texture coordinates: the
// round-trip tests and the tool's sample streams are made from them.
#include <cstdint>
#include <string>
#include <vector>

namespace crt::shapes {

struct Mesh {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> normals;    // 3 per vertex, unit length
    std::vector<float> colors;     // 4 per vertex, 0..1
    std::vector<float> uvs;        // 2 per vertex
    std::vector<uint32_t> indices; // 3 per face, counter-clockwise seen from outside

    uint32_t vertexCount() const { return static_cast<uint32_t>(positions.size() / 3); }
    uint32_t faceCount() const { return static_cast<uint32_t>(indices.size() / 3); }
    // Appends other, its indices shifted past this mesh's vertices.
    void append(const Mesh& other);
    // Moves every vertex by (dx, dy, dz).
    void translate(float dx, float dy, float dz);
};

// A closed sphere: an icosahedron whose faces are split into 4 `levels` times.
Mesh icosphere(int levels, float radius = 1.0f);
// A closed torus (one handle) of nu x nv quads.
Mesh torus(int nu, int nv, float major = 1.0f, float minor = 0.35f);
// An open square grid of n x n quads with a square hole of h x h quads cut
// out of its middle: a border and a hole.
Mesh gridWithHole(int n, int h);
// A flat sheet with `holes` square openings in a row, closed into a thick
// plate with walls: a closed surface with that many handles.
Mesh plateWithHandles(int holes);
// A wavy grid with faults a mesh file may hold: a fin (an edge with three
// triangles), a flipped triangle, a repeated triangle, a degenerate one with
// a repeated corner and a vertex that no triangle uses.
Mesh nonManifoldPatch();

}  // namespace crt::shapes
