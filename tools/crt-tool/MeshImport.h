#pragma once
// Reads a mesh file through Assimp into one indexed triangle list, one face
// group per mesh instance of the file's scene.
#include <string>
#include <utility>
#include <vector>

#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"

namespace crttool {

struct ImportOptions {
    bool merge = false;       // join vertices with identical attributes
    bool wantNormals = false; // make smooth normals when the file has none
};

struct ImportedMesh {
    crt::shapes::Mesh mesh;  // arrays left empty where the file has no such data
    int uvComponents = 0;
    std::vector<crt::MeshGroup> groups;
    bool fileHadNormals = false;
};

// Throws std::runtime_error with Assimp's reason on failure.
ImportedMesh importMesh(const std::string& path, const ImportOptions& options);

}  // namespace crttool
