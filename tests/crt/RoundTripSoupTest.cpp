// Random triangle soups over a few vertices: every fault a mesh can have at
// once (edges with many triangles, mixed orientation, repeated corners,
// repeated triangles, unused vertices). The traversal must neither fail nor
// loop, and the decoder must give back exactly the input triangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "RoundTripSupport.h"

namespace crt::roundtrip {
namespace {

TEST(RoundTripSoup, RandomTriangleSoupsComeBackExactly) {
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 300; ++trial) {
        const uint32_t NV = 1 + rng() % 12;
        const uint32_t NF = 1 + rng() % 40;
        shapes::Mesh m;
        for (uint32_t i = 0; i < NV; ++i)
            m.positions.insert(m.positions.end(), {float(rng() % 100) * 0.01f, float(rng() % 100) * 0.01f, float(i)});
        for (uint32_t f = 0; f < 3 * NF; ++f) m.indices.push_back(rng() % NV);
        std::vector<MeshGroup> groups;
        for (uint32_t end = 0; end < NF;) {
            end = std::min<uint32_t>(NF, end + 1 + uint32_t(rng() % 15));
            groups.push_back({end, {}});
        }
        MeshEncoder e;
        e.setPostpone(trial % 2 == 0);
        e.setEntropy(trial % 3 == 0 ? ENTROPY_RAW : ENTROPY_TUNSTALL);
        e.setTriangles(m.indices.data(), NF);
        e.setGroups(groups);
        e.setPositions(m.positions.data(), NV, {0.01f, 0});
        const auto stream = e.encode();
        SCOPED_TRACE(::testing::Message() << "trial " << trial << ": " << NV << " vertices, " << NF << " faces");
        const Decoded out = decode(stream, {false, false, 0});
        expectSameTriangles(m, out, e.report().vertexOrder);
        expectPositionsWithin(m, out, e.report().vertexOrder, 0.01f);
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace crt::roundtrip
