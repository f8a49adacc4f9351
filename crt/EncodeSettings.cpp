#include "crt/EncodeSettings.h"

namespace crt {

EncodeResult encodeMesh(const MeshArrays& mesh, const std::vector<MeshGroup>& groups, const EncodeSettings& s) {
    MeshEncoder encoder;
    const uint32_t NV = mesh.vertexCount;
    const bool pinned = s.parallelogram || s.sharedBits;
    const bool parallelogram = s.parallelogram.value_or(true);
    const int strategy = pinned ? (parallelogram ? PARALLELOGRAM : 0) | (s.sharedBits.value_or(true) ? SHARED_BITS : 0)
                                : kOpenStrategy;
    const int colorStrategy = pinned ? (parallelogram ? PARALLELOGRAM : 0) : kOpenStrategy;
    encoder.setSearch(s.search);
    encoder.setEntropy(s.entropy);
    for (const auto& [key, value] : s.tags) encoder.addHeaderTag(key, value);
    encoder.setPositions(mesh.positions, NV, s.position, strategy);
    encoder.setTriangles(mesh.indices, mesh.faceCount);
    if (!groups.empty()) encoder.setGroups(groups);

    const bool haveNormals = mesh.normals && NV > 0;
    NormalChoice choice = s.normals;
    if (choice == NormalChoice::Auto) choice = haveNormals ? NormalChoice::Positions : NormalChoice::None;
    if (choice != NormalChoice::None) {
        if (!haveNormals) throw EncodeError("the mesh has no normals to store");
        const NormalMode mode = choice == NormalChoice::Diff        ? DIFF
                                : choice == NormalChoice::Positions ? FROM_POSITIONS
                                                                    : FROM_POSITIONS_RIM;
        encoder.setNormals(mesh.normals, NV, mode, s.normalBits);
    }
    if (s.colors && mesh.colors && NV > 0)
        encoder.setColors(mesh.colors, NV, mesh.colorChannels, s.colorChannels, s.colorSteps,
                          colorStrategy);
    if (s.uvs && mesh.uvs && mesh.uvComponents > 0 && NV > 0)
        encoder.addGeneric("uv", mesh.uvs, NV, mesh.uvComponents, s.uv, strategy);

    EncodeResult result;
    result.bytes = encoder.encode();
    result.report = encoder.report();
    return result;
}

EncodeResult encodeMesh(const shapes::Mesh& mesh, int uvComponents, const std::vector<MeshGroup>& groups,
                        const EncodeSettings& s) {
    const uint32_t NV = mesh.vertexCount();
    MeshArrays arrays;
    arrays.vertexCount = NV;
    arrays.faceCount = mesh.faceCount();
    arrays.positions = mesh.positions.data();
    arrays.indices = mesh.indices.data();
    if (mesh.normals.size() == size_t(NV) * 3) arrays.normals = mesh.normals.data();
    if (mesh.colors.size() == size_t(NV) * 4) arrays.colors = mesh.colors.data();
    if (uvComponents > 0 && mesh.uvs.size() == size_t(NV) * uvComponents) {
        arrays.uvs = mesh.uvs.data();
        arrays.uvComponents = uvComponents;
    }
    return encodeMesh(arrays, groups, s);
}

}  // namespace crt
