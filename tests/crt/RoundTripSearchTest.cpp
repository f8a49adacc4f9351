// The encoder's search for a smaller stream: whatever it picks, the decoder
// must give back exactly what the plain choices give, from fewer bytes.
#include <gtest/gtest.h>

#include <random>

#include "RoundTripSupport.h"
#include "crt/ByteArray.h"
#include "crt/Residuals.h"
#include "crt/encode/ByteArrayWriter.h"
#include "crt/encode/ResidualWriter.h"
#include "crt/encode/TopologyEncoder.h"
#include "crt/encode/TunstallEncoder.h"

namespace crt::roundtrip {
namespace {

std::vector<uint8_t> encodeAll(const shapes::Mesh& m, bool search, NormalMode mode, EncodeReport& report) {
    MeshEncoder e;
    e.setSearch(search);
    e.setTriangles(m.indices.data(), m.faceCount());
    e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 12});
    e.setNormals(m.normals.data(), m.vertexCount(), mode, 10);
    e.setColors(m.colors.data(), m.vertexCount(), 4, 4, {1, 2, 3, 8});
    e.addGeneric("uv", m.uvs.data(), m.vertexCount(), 2, {1.0f / 1024, 0});
    std::vector<uint8_t> stream = e.encode();
    report = e.report();
    return stream;
}

TEST(RoundTripSearch, SearchedStreamsDecodeBitForBitLikeThePlainOnesAndAreNoLarger) {
    const shapes::Mesh meshes[] = {shapes::torus(40, 20), shapes::gridWithHole(24, 6), shapes::plateWithHandles(3),
                                   shapes::icosphere(3)};
    size_t plainBytes = 0, searchedBytes = 0;
    for (const shapes::Mesh& m : meshes) {
        for (NormalMode mode : {DIFF, FROM_POSITIONS}) {
            EncodeReport plainReport, searchedReport;
            const auto plain = encodeAll(m, false, mode, plainReport);
            const auto searched = encodeAll(m, true, mode, searchedReport);
            EXPECT_LE(searched.size(), plain.size());
            plainBytes += plain.size();
            searchedBytes += searched.size();
            // Same vertex order, same triangles, the same floats everywhere.
            EXPECT_EQ(searchedReport.vertexOrder, plainReport.vertexOrder);
            const Decoded a = decode(plain), b = decode(searched);
            EXPECT_EQ(a.indices, b.indices);
            EXPECT_EQ(a.positions, b.positions);
            EXPECT_EQ(a.normals, b.normals);
            EXPECT_EQ(a.colors, b.colors);
            EXPECT_EQ(a.uvs, b.uvs);
            expectSameTriangles(m, b, searchedReport.vertexOrder);
        }
    }
    EXPECT_LT(searchedBytes, plainBytes);
}

// Residuals whose shared counts are mostly 5 and 6 with a few wide
// outliers: raising the counts codes the count array in fewer codes.
TEST(RoundTripSearch, WiderSharedCountsAndSearchedTablesReadBackThroughTheDecoder) {
    std::mt19937 rng(15);
    std::vector<int32_t> values;
    for (int i = 0; i < 6000; ++i) {
        const int bits = i % 97 == 0 ? 12 : (rng() % 3 == 0 ? 4 : 5);
        for (int c = 0; c < 3; ++c) values.push_back(int32_t(rng() % (1u << bits)) - (1 << (bits - 1)));
    }
    auto written = [&](const enc::CodingEffort& effort) {
        enc::ByteWriter out;
        enc::writeResidualsShared(out, ENTROPY_TUNSTALL, values, 3, effort);
        return out.take();
    };
    const auto plain = written({});
    const auto wider = written({0, true});
    const auto searched = written({16, true});
    EXPECT_LT(wider.size(), plain.size());
    EXPECT_LE(searched.size(), wider.size());
    for (const auto* stream : {&wider, &searched}) {
        ByteCursor in(stream->data(), stream->size());
        in.entropy = ENTROPY_TUNSTALL;
        std::vector<int32_t> back(values.size());
        EXPECT_EQ(readResidualsShared(in, back.data(), 3, 6000), 6000u);
        EXPECT_EQ(back, values);
        EXPECT_EQ(in.remaining(), 0u);
    }

    // A searched table still expands to the input through the decoder.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 20000; ++i) bytes.push_back(uint8_t(rng() % 10 < 6 ? 0 : rng() % 10 < 7 ? 1 : rng() % 5 + 2));
    enc::ByteWriter out;
    enc::writeByteArray(out, ENTROPY_TUNSTALL, bytes, {32, false});
    ByteCursor in(out.data().data(), out.size());
    in.entropy = ENTROPY_TUNSTALL;
    std::vector<uint8_t> storage;
    const ByteView view = readByteArray(in, storage, bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(view.data, view.data + view.size), bytes);
    EXPECT_LE(enc::tunstallEncode(bytes.data(), bytes.size(), 32).codes.size(),
              enc::tunstallEncode(bytes.data(), bytes.size()).codes.size());
}

// Postponed edges that come back only to be skipped, or that are folded over
// before, are better skipped at once: the traversal must stay the same.
TEST(RoundTripSearch, RefinedTraversalKeepsEveryTriangleAndVertexAndDropsSymbols) {
    const shapes::Mesh meshes[] = {shapes::plateWithHandles(4), shapes::gridWithHole(30, 10), shapes::torus(30, 9)};
    bool fewer = false;
    for (const shapes::Mesh& m : meshes) {
        const std::vector<uint32_t> ends = {m.faceCount()};
        const enc::Topology plain = enc::encodeTopology(m.indices, m.vertexCount(), ends);
        const enc::Topology refined = enc::encodeTopologyRefined(m.indices, m.vertexCount(), ends, ENTROPY_TUNSTALL);
        EXPECT_EQ(refined.faces, plain.faces);
        EXPECT_EQ(refined.order, plain.order);
        EXPECT_EQ(refined.predictors, plain.predictors);
        EXPECT_LE(refined.symbols.size(), plain.symbols.size());
        fewer |= refined.symbols.size() < plain.symbols.size() || refined.symbolCounts[POSTPONE] < plain.symbolCounts[POSTPONE];
    }
    EXPECT_TRUE(fewer) << "no mesh had a postponement to refine";
}

}  // namespace
}  // namespace crt::roundtrip
