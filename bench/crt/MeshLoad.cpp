#include "MeshLoad.h"

#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cmath>
#include <stdexcept>

namespace crtbench {

crt::shapes::Mesh loadMesh(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);  // the file's vertices, as they are
    if (!scene) throw std::runtime_error("cannot read " + path + ": " + importer.GetErrorString());
    crt::shapes::Mesh out;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        const uint32_t base = out.vertexCount();
        for (unsigned v = 0; v < mesh->mNumVertices; ++v)
            out.positions.insert(out.positions.end(), {mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z});
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            if (mesh->mFaces[f].mNumIndices != 3) continue;
            for (int k = 0; k < 3; ++k) out.indices.push_back(base + mesh->mFaces[f].mIndices[k]);
        }
    }
    if (out.faceCount() == 0) throw std::runtime_error(path + " holds no triangles");
    return out;
}

void computeNormals(crt::shapes::Mesh& m) {
    std::vector<double> sum(m.positions.size(), 0.0);
    for (size_t f = 0; f < m.indices.size(); f += 3) {
        const float* a = &m.positions[size_t(m.indices[f]) * 3];
        const float* b = &m.positions[size_t(m.indices[f + 1]) * 3];
        const float* c = &m.positions[size_t(m.indices[f + 2]) * 3];
        const double d1[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double d2[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j) sum[size_t(m.indices[f + k]) * 3 + j] += n[j];
    }
    m.normals.resize(m.positions.size());
    for (size_t i = 0; i < sum.size(); i += 3) {
        const double len = std::sqrt(sum[i] * sum[i] + sum[i + 1] * sum[i + 1] + sum[i + 2] * sum[i + 2]);
        for (int j = 0; j < 3; ++j) m.normals[i + j] = len > 0 ? float(sum[i + j] / len) : (j == 2 ? 1.0f : 0.0f);
    }
}

}  // namespace crtbench
