// Procedural meshes through the encoder and the exported decoder: the same
// triangles come back and every attribute stays within its quantisation.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "RoundTripSupport.h"

namespace crt::roundtrip {
namespace {

struct ShapeCase {
    const char* name;
    shapes::Mesh (*make)();
};

const ShapeCase kShapes[] = {
    {"icosphere", [] { return shapes::icosphere(2); }},
    {"torus", [] { return shapes::torus(24, 12); }},
    {"gridWithHole", [] { return shapes::gridWithHole(12, 4); }},
    {"plateWithHandles", [] { return shapes::plateWithHandles(3); }},
    {"nonManifold", [] { return shapes::nonManifoldPatch(); }},
};

// shape, entropy, parallelogram, shared bits
using Params = std::tuple<int, Entropy, bool, bool>;

class RoundTripShapes : public ::testing::TestWithParam<Params> {};

TEST_P(RoundTripShapes, AllAttributesComeBack) {
    const auto [shape, entropy, parallelogram, shared] = GetParam();
    const shapes::Mesh mesh = kShapes[shape].make();
    const int strategy = (parallelogram ? PARALLELOGRAM : 0) | (shared ? SHARED_BITS : 0);
    const std::array<int, 4> colorSteps = {1, 2, 3, 8};

    MeshEncoder encoder;
    encoder.setSearch(false);  // write exactly the strategy under test
    encoder.setEntropy(entropy);
    encoder.setTriangles(mesh.indices.data(), mesh.faceCount());
    encoder.setPositions(mesh.positions.data(), mesh.vertexCount(), {0.0f, 12}, strategy);
    // Faults in the input leave some estimates degenerate; DIFF keeps them exact.
    encoder.setNormals(mesh.normals.data(), mesh.vertexCount(), shape == 4 ? DIFF : FROM_POSITIONS, 10);
    encoder.setColors(mesh.colors.data(), mesh.vertexCount(), 4, 4, colorSteps, strategy & PARALLELOGRAM);
    encoder.addGeneric("uv", mesh.uvs.data(), mesh.vertexCount(), 2, {1.0f / 1024, 0}, strategy);
    const std::vector<uint8_t> stream = encoder.encode();
    const EncodeReport& report = encoder.report();

    const Decoded out = decode(stream);
    ASSERT_EQ(out.NV, mesh.vertexCount());
    expectSameTriangles(mesh, out, report.vertexOrder);
    expectPositionsWithin(mesh, out, report.vertexOrder, report.steps.at("position"));
    expectNormalsOnGrid(mesh, out, report.vertexOrder, 10);
    expectColorsWithin(mesh, out, report.vertexOrder, colorSteps, 4);
    expectUvsWithin(mesh, out, report.vertexOrder, 1.0f / 1024);
}

std::string caseName(const ::testing::TestParamInfo<Params>& info) {
    const auto [shape, entropy, parallelogram, shared] = info.param;
    return std::string(kShapes[shape].name) + (entropy == ENTROPY_RAW ? "_raw" : "_tunstall") +
           (parallelogram ? "_parallelogram" : "_previous") + (shared ? "_shared" : "_percomponent");
}

INSTANTIATE_TEST_SUITE_P(Shapes, RoundTripShapes,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Values(ENTROPY_RAW, ENTROPY_TUNSTALL),
                                            ::testing::Bool(), ::testing::Bool()),
                         caseName);

}  // namespace
}  // namespace crt::roundtrip
