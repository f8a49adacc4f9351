#include "tools/crt-tool/MeshImport.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <algorithm>
#include <stdexcept>

namespace crttool {
namespace {

struct Walk {
    const aiScene* scene;
    ImportedMesh& out;
    bool anyNormals = false, anyColors = false, anyUvs = false;

    // First pass: which arrays the file carries at all.
    void survey() {
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            const aiMesh* mesh = scene->mMeshes[m];
            if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
            anyNormals |= mesh->HasNormals();
            anyColors |= mesh->HasVertexColors(0);
            if (mesh->HasTextureCoords(0)) {
                anyUvs = true;
                out.uvComponents = std::max(out.uvComponents, int(mesh->mNumUVComponents[0]));
            }
        }
        out.uvComponents = std::min(out.uvComponents, 3);
    }

    void node(const aiNode* n, const aiMatrix4x4& parent) {
        const aiMatrix4x4 world = parent * n->mTransformation;
        for (unsigned k = 0; k < n->mNumMeshes; ++k) addMesh(scene->mMeshes[n->mMeshes[k]], world);
        for (unsigned c = 0; c < n->mNumChildren; ++c) node(n->mChildren[c], world);
    }

    void addMesh(const aiMesh* mesh, const aiMatrix4x4& world) {
        crt::shapes::Mesh& m = out.mesh;
        const uint32_t base = m.vertexCount();
        aiMatrix3x3 normalMatrix(world);
        normalMatrix.Inverse().Transpose();
        size_t faces = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;  // points and lines are not part of a triangle mesh
            for (int k = 0; k < 3; ++k) m.indices.push_back(base + face.mIndices[k]);
            ++faces;
        }
        if (faces == 0) return;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D p = world * mesh->mVertices[v];
            m.positions.insert(m.positions.end(), {p.x, p.y, p.z});
            if (anyNormals) {
                aiVector3D n = mesh->HasNormals() ? normalMatrix * mesh->mNormals[v] : aiVector3D(0, 0, 0);
                n.NormalizeSafe();
                m.normals.insert(m.normals.end(), {n.x, n.y, n.z});
            }
            if (anyColors) {
                const aiColor4D c = mesh->HasVertexColors(0) ? mesh->mColors[0][v] : aiColor4D(1, 1, 1, 1);
                m.colors.insert(m.colors.end(), {c.r, c.g, c.b, c.a});
            }
            if (anyUvs) {
                const aiVector3D t = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][v] : aiVector3D(0, 0, 0);
                const float uvw[3] = {t.x, t.y, t.z};
                m.uvs.insert(m.uvs.end(), uvw, uvw + out.uvComponents);
            }
        }
        crt::MeshGroup group;
        group.end = m.faceCount();
        if (mesh->mName.length > 0) group.properties.emplace_back("name", mesh->mName.C_Str());
        if (mesh->mMaterialIndex < scene->mNumMaterials) {
            aiString material;
            if (scene->mMaterials[mesh->mMaterialIndex]->Get(AI_MATKEY_NAME, material) == AI_SUCCESS &&
                material.length > 0)
                group.properties.emplace_back("material", material.C_Str());
        }
        out.groups.push_back(std::move(group));
    }
};

}  // namespace

ImportedMesh importMesh(const std::string& path, const ImportOptions& options) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate);
    if (!scene || !scene->mRootNode) throw std::runtime_error("cannot read " + path + ": " + importer.GetErrorString());
    ImportedMesh out;
    {
        Walk look{scene, out};
        look.survey();
        out.fileHadNormals = look.anyNormals;
    }
    // Normals are made while every face corner has a vertex of its own:
    // Assimp makes none for vertices already joined.
    if (options.wantNormals && !out.fileHadNormals) {
        scene = importer.ApplyPostProcessing(aiProcess_GenSmoothNormals);
        if (!scene) throw std::runtime_error("cannot make normals for " + path + ": " + importer.GetErrorString());
    }
    if (options.merge) {
        scene = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices);
        if (!scene) throw std::runtime_error("cannot merge the vertices of " + path + ": " + importer.GetErrorString());
    }
    out.uvComponents = 0;
    Walk walk{scene, out};
    walk.survey();
    walk.node(scene->mRootNode, aiMatrix4x4());
    if (out.mesh.faceCount() == 0) throw std::runtime_error(path + " holds no triangles");
    return out;
}

}  // namespace crttool
