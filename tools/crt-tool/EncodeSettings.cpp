#include "tools/crt-tool/EncodeSettings.h"

namespace crttool {

EncodeResult encodeMesh(const crt::shapes::Mesh& mesh, int uvComponents, const std::vector<crt::MeshGroup>& groups,
                        const EncodeSettings& s) {
    crt::MeshEncoder encoder;
    const uint32_t NV = mesh.vertexCount();
    const bool pinned = s.parallelogram || s.sharedBits;
    const bool parallelogram = s.parallelogram.value_or(true);
    const int strategy = pinned ? (parallelogram ? crt::PARALLELOGRAM : 0) | (s.sharedBits.value_or(true) ? crt::SHARED_BITS : 0)
                                : crt::kOpenStrategy;
    const int colorStrategy = pinned ? (parallelogram ? crt::PARALLELOGRAM : 0) : crt::kOpenStrategy;
    encoder.setSearch(s.search);
    encoder.setEntropy(s.entropy);
    for (const auto& [key, value] : s.tags) encoder.addHeaderTag(key, value);
    encoder.setPositions(mesh.positions.data(), NV, s.position, strategy);
    encoder.setTriangles(mesh.indices.data(), mesh.faceCount());
    if (!groups.empty()) encoder.setGroups(groups);

    const bool haveNormals = mesh.normals.size() == size_t(NV) * 3 && NV > 0;
    NormalChoice choice = s.normals;
    if (choice == NormalChoice::Auto) choice = haveNormals ? NormalChoice::Positions : NormalChoice::None;
    if (choice != NormalChoice::None) {
        if (!haveNormals) throw crt::EncodeError("the mesh has no normals to store");
        const crt::NormalMode mode = choice == NormalChoice::Diff        ? crt::DIFF
                                     : choice == NormalChoice::Positions ? crt::FROM_POSITIONS
                                                                         : crt::FROM_POSITIONS_RIM;
        encoder.setNormals(mesh.normals.data(), NV, mode, s.normalBits);
    }
    if (s.colors && mesh.colors.size() == size_t(NV) * 4 && NV > 0)
        encoder.setColors(mesh.colors.data(), NV, 4, s.colorChannels, s.colorSteps,
                          colorStrategy);
    if (s.uvs && uvComponents > 0 && mesh.uvs.size() == size_t(NV) * uvComponents && NV > 0)
        encoder.addGeneric("uv", mesh.uvs.data(), NV, uvComponents, s.uv, strategy);

    EncodeResult result;
    result.bytes = encoder.encode();
    result.report = encoder.report();
    return result;
}

}  // namespace crttool
