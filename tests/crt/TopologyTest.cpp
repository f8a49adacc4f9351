// The edge-front traversal, replayed from hand-written symbols and indices.
#include <gtest/gtest.h>

#include <vector>

#include "StreamBuilder.h"
#include "Thrown.h"
#include "crt/Format.h"
#include "crt/MeshDecoder.h"

using crttest::BitWriter;
using crttest::StreamBuilder;
using crttest::thrown;
using namespace crt;

namespace {

using Triple = std::vector<uint32_t>;

struct Decoded {
    std::vector<Triple> faces;
    std::vector<Triple> predictors;  // of the vertices the traversal created
};

std::vector<uint8_t> topologyStream(uint32_t NV, uint32_t NF, const std::vector<uint32_t>& ends,
                                    const std::vector<uint8_t>& symbols, const BitWriter& indices)
{
    StreamBuilder s;
    s.header(ENTROPY_RAW, {}, NV, NF).groups(ends).u32(16).rawArray(symbols).bitStream(indices);
    return s.bytes;
}

Decoded decode(uint32_t NV, const std::vector<uint32_t>& ends, const std::vector<uint8_t>& symbols,
               const BitWriter& indices = {})
{
    const uint32_t NF = ends.empty() ? 0 : ends.back();
    const std::vector<uint8_t> bytes = topologyStream(NV, NF, ends, symbols, indices);
    MeshDecoder d(bytes.data(), bytes.size());
    std::vector<uint32_t> out(3 * size_t(NF), 0xDEADBEEF);
    d.connectivity.faces32 = out.data();
    d.runMeshDecode();
    Decoded result;
    for (size_t f = 0; f < NF; ++f)
        result.faces.push_back({out[3 * f], out[3 * f + 1], out[3 * f + 2]});
    for (size_t v = 0; v < d.connectivity.predictors.size(); ++v) {
        const Predictor p = d.connectivity.predictors[v];
        result.predictors.push_back({p.a, p.b, p.c});
    }
    return result;
}

std::string error(uint32_t NV, uint32_t NF, const std::vector<uint32_t>& ends, const std::vector<uint8_t>& symbols,
                  const BitWriter& indices = {})
{
    return thrown([&] {
        const std::vector<uint8_t> bytes = topologyStream(NV, NF, ends, symbols, indices);
        MeshDecoder d(bytes.data(), bytes.size());
        std::vector<uint32_t> out(3 * size_t(NF));
        d.connectivity.faces32 = out.data();
        d.runMeshDecode();
    });
}

constexpr uint32_t kNoVertex = 0xFFFFFFFF;

TEST(Topology, OneTriangleStartsFromNoVertex)
{
    const Decoded d = decode(3, {1}, {ADD_VERTEX});
    EXPECT_EQ(d.faces, (std::vector<Triple>{{0, 1, 2}}));
    EXPECT_EQ(d.predictors, (std::vector<Triple>{{kNoVertex, kNoVertex, kNoVertex}, {0, 0, 0}, {1, 1, 1}}));
}

TEST(Topology, AddedVertexIsPredictedAcrossTheSharedEdge)
{
    const Decoded d = decode(4, {2}, {ADD_VERTEX, ADD_VERTEX});
    EXPECT_EQ(d.faces, (std::vector<Triple>{{0, 1, 2}, {2, 1, 3}}));
    EXPECT_EQ(d.predictors.at(3), (Triple{2, 1, 0}));
}

TEST(Topology, ComponentStartReusesTheVerticesItsFlagsName)
{
    // First triangle with its three edges skipped, then a component whose
    // flags 5 name vertices for corners 0 and 2 (3 bits each for NV = 4).
    BitWriter indices;
    indices.put(5, 3).put(2, 3).put(0, 3);
    const Decoded d = decode(4, {2}, {ADD_VERTEX, SKIP_EDGE, SKIP_EDGE, SKIP_EDGE, REUSE_VERTEX}, indices);
    EXPECT_EQ(d.faces, (std::vector<Triple>{{0, 1, 2}, {2, 3, 0}}));
    EXPECT_EQ(d.predictors.at(3), (Triple{2, 2, 2}));
}

TEST(Topology, IndexWidthIsTheBitLengthOfTheVertexCount)
{
    for (const uint32_t NV : {1000u, 1024u}) {
        const unsigned width = NV == 1000 ? 10 : 11;
        BitWriter indices;
        indices.put(7, 3).put(999, width).put(0, width).put(500, width);
        const Decoded d = decode(NV, {1}, {REUSE_VERTEX}, indices);
        EXPECT_EQ(d.faces, (std::vector<Triple>{{999, 0, 500}})) << "NV " << NV;
        EXPECT_TRUE(d.predictors.empty());
    }
}

TEST(Topology, PostponedEdgesComeBackLastInFirstOutAfterTheQueue)
{
    // Edges 0 (1-2) and 1 (2-0) are postponed, edge 2 skipped; edge 1 comes
    // back first, then the two edges its triangle made, then edge 0.
    const Decoded d = decode(5, {3},
                             {ADD_VERTEX, POSTPONE, POSTPONE, SKIP_EDGE, ADD_VERTEX, SKIP_EDGE, SKIP_EDGE, ADD_VERTEX});
    EXPECT_EQ(d.faces, (std::vector<Triple>{{0, 1, 2}, {0, 2, 3}, {2, 1, 4}}));
    EXPECT_EQ(d.predictors.at(3), (Triple{0, 2, 1}));
    EXPECT_EQ(d.predictors.at(4), (Triple{2, 1, 0}));
}

TEST(Topology, FoldsCloseOntoNeighbouringEdgesAndRetiredEdgesReadNoSymbol)
{
    // A tetrahedron: a fold onto the previous edge retires it, the last
    // triangle closes the hole of three edges.
    EXPECT_EQ(decode(4, {4}, {ADD_VERTEX, ADD_VERTEX, FOLD_PREV, FOLD_BOTH}).faces,
              (std::vector<Triple>{{0, 1, 2}, {2, 1, 3}, {3, 1, 0}, {3, 0, 2}}));
    // After a fold onto edge 2 (0-1), that edge is passed over without a
    // symbol; the next symbol goes to the following edge.
    EXPECT_EQ(decode(5, {4}, {ADD_VERTEX, ADD_VERTEX, FOLD_PREV, SKIP_EDGE, SKIP_EDGE, ADD_VERTEX}).faces,
              (std::vector<Triple>{{0, 1, 2}, {2, 1, 3}, {3, 1, 0}, {2, 3, 4}}));
    // A fold onto the end of the next edge.
    EXPECT_EQ(decode(4, {3}, {ADD_VERTEX, ADD_VERTEX, SKIP_EDGE, SKIP_EDGE, SKIP_EDGE, FOLD_NEXT}).faces,
              (std::vector<Triple>{{0, 1, 2}, {2, 1, 3}, {2, 3, 0}}));
}

TEST(Topology, GroupsRestartTheFrontButNotTheSymbolsOrVertices)
{
    // The second group starts a new component with the next symbol (a
    // REUSE_VERTEX naming vertex 1) and numbers on from vertex 3.
    BitWriter indices;
    indices.put(2, 3).put(1, 3);
    const Decoded d = decode(6, {1, 1, 2}, {ADD_VERTEX, REUSE_VERTEX}, indices);
    EXPECT_EQ(d.faces, (std::vector<Triple>{{0, 1, 2}, {3, 1, 4}}));
    EXPECT_EQ(d.predictors.at(3), (Triple{2, 2, 2}));
    EXPECT_EQ(d.predictors.at(4), (Triple{3, 3, 3}));
}

TEST(Topology, DamagedTopologyIsRefused)
{
    const std::string corrupt = "Corrupt crt stream.";
    EXPECT_EQ(error(3, 1, {1}, {7}), corrupt);                                  // symbol above 6
    EXPECT_EQ(error(4, 2, {2}, {ADD_VERTEX, 9}), corrupt);
    EXPECT_EQ(error(5, 1, {1}, {REUSE_VERTEX}, BitWriter().put(1, 3).put(6, 3)), corrupt);  // index >= NV
    EXPECT_EQ(error(3, 2, {2}, {ADD_VERTEX, ADD_VERTEX}), corrupt);             // a fourth vertex of 3
    // A fifth vertex of 4 after a fold, and a new component once all are made.
    EXPECT_EQ(error(4, 4, {4}, {ADD_VERTEX, ADD_VERTEX, FOLD_PREV, ADD_VERTEX}), corrupt);
    EXPECT_EQ(error(4, 5, {5}, {ADD_VERTEX, ADD_VERTEX, FOLD_PREV, FOLD_BOTH, FOLD_PREV}), corrupt);
    EXPECT_EQ(error(5, 2, {2}, {ADD_VERTEX}), corrupt);                         // symbols run out
    EXPECT_EQ(error(4, 1, {1}, {REUSE_VERTEX}), "Truncated crt stream.");       // no index words
    EXPECT_EQ(error(3, 2, {}, {ADD_VERTEX}), corrupt);                          // no group reaches NF
    EXPECT_EQ(error(3, 2, {1}, {ADD_VERTEX}), corrupt);
    EXPECT_EQ(error(6, 2, {2, 1}, {ADD_VERTEX, ADD_VERTEX}), corrupt);          // ends decrease
    EXPECT_EQ(error(6, 2, {1, 3}, {ADD_VERTEX, ADD_VERTEX}), corrupt);          // more faces than NF
    // More symbols than a traversal of NF triangles could read.
    EXPECT_EQ(error(3, 1, {1}, std::vector<uint8_t>(8, SKIP_EDGE)), corrupt);
    // A group count the block cannot hold.
    StreamBuilder s;
    s.header(ENTROPY_RAW, {}, 3, 1).u32(0x40000000);
    EXPECT_EQ(thrown([&] {
                  MeshDecoder d(s.bytes.data(), s.size());
                  uint32_t out[3];
                  d.connectivity.faces32 = out;
                  d.runMeshDecode();
              }),
              "Truncated crt stream.");
}

}  // namespace
