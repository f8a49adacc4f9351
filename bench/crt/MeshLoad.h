#pragma once
// Benchmark input: a mesh file's positions and triangles through Assimp, and
// smooth normals computed from them (the scans carry none).
#include <string>

#include "crt/encode/Shapes.h"

namespace crtbench {

// Throws std::runtime_error when the file cannot be read.
crt::shapes::Mesh loadMesh(const std::string& path);

// Area-weighted vertex normals; +z where a vertex has no usable triangle.
void computeNormals(crt::shapes::Mesh& mesh);

}  // namespace crtbench
