// Round trips of the encoder's choices one at a time: normal modes, colour
// channels, groups and components, extra attributes, header tags, point sets,
// a large mesh, and the symbols the traversal uses.
#include <gtest/gtest.h>

#include <cmath>

#include "RoundTripSupport.h"
#include "crt/Decoder.h"
#include "crt/encode/Octahedral.h"

namespace crt::roundtrip {
namespace {

struct Encoded {
    std::vector<uint8_t> stream;
    EncodeReport report;
};

Encoded encodeWithNormals(const shapes::Mesh& m, NormalMode mode, Entropy entropy = ENTROPY_TUNSTALL) {
    MeshEncoder e;
    e.setEntropy(entropy);
    e.setTriangles(m.indices.data(), m.faceCount());
    e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 14});
    e.setNormals(m.normals.data(), m.vertexCount(), mode, 10);
    Encoded out{e.encode(), {}};
    out.report = e.report();
    return out;
}

TEST(RoundTripModes, NormalsInEveryModeOnOpenAndClosedMeshes) {
    const shapes::Mesh open = shapes::gridWithHole(16, 6), closed = shapes::torus(32, 16);
    for (const shapes::Mesh* m : {&open, &closed}) {
        for (NormalMode mode : {DIFF, FROM_POSITIONS}) {
            SCOPED_TRACE(::testing::Message() << (m == &open ? "open" : "closed") << " mode " << mode);
            const Encoded enc = encodeWithNormals(*m, mode);
            EXPECT_EQ(enc.report.normalMode, mode);
            const Decoded out = decode(enc.stream, {true, false, 0});
            expectSameTriangles(*m, out, enc.report.vertexOrder);
            expectNormalsOnGrid(*m, out, enc.report.vertexOrder, 10);
        }
    }
}

TEST(RoundTripModes, RimModeStoresBorderNormalsAndEstimatesTheRest) {
    const shapes::Mesh open = shapes::gridWithHole(16, 6), closed = shapes::torus(32, 16);
    for (const shapes::Mesh* m : {&open, &closed}) {
        SCOPED_TRACE(m == &open ? "open" : "closed");
        const Encoded enc = encodeWithNormals(*m, FROM_POSITIONS_RIM);
        EXPECT_EQ(enc.report.normalMode, FROM_POSITIONS_RIM);
        const Decoded out = decode(enc.stream, {true, false, 0});
        const std::vector<bool> border = borderVertices(out);
        const int32_t u = normalGridUnit(10);
        int borderCount = 0;
        double worstInner = 0.0;
        for (uint32_t i = 0; i < out.NV; ++i) {
            const float* n = &m->normals[size_t(enc.report.vertexOrder[i]) * 3];
            const float* got = &out.normals[size_t(i) * 3];
            if (border[i]) {
                ++borderCount;
                const auto g = enc::octEncode(n, u);
                const auto want = enc::octDecode(g[0], g[1], u);
                EXPECT_EQ(got[0], want[0]);
                EXPECT_EQ(got[1], want[1]);
                EXPECT_EQ(got[2], want[2]);
            } else {
                EXPECT_NEAR(std::sqrt(got[0] * got[0] + got[1] * got[1] + got[2] * got[2]), 1.0, 1e-5);
                worstInner = std::max(worstInner, angleBetween(got, n));
            }
        }
        EXPECT_EQ(borderCount > 0, m == &open);
        // The face-normal sums of these smooth surfaces stay close to the true normals.
        EXPECT_LT(worstInner, 0.05);
    }
    // A closed mesh stores no corrections at all: smaller than the full mode.
    EXPECT_LT(encodeWithNormals(closed, FROM_POSITIONS_RIM).stream.size(),
              encodeWithNormals(closed, FROM_POSITIONS).stream.size());
}

TEST(RoundTripModes, DegenerateEstimatesFallBackToDiff) {
    // A two-sided triangle: its face normals cancel, so an estimate is zero.
    shapes::Mesh m;
    m.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    m.normals = {0, 0, 1, 0, 0, 1, 0.6f, 0, 0.8f};
    m.indices = {0, 1, 2, 0, 2, 1};
    for (NormalMode mode : {FROM_POSITIONS, FROM_POSITIONS_RIM}) {
        const Encoded enc = encodeWithNormals(m, mode);
        EXPECT_EQ(enc.report.normalMode, DIFF);
        EXPECT_EQ(enc.report.unusableNormalEstimates, 3u);
        const Decoded out = decode(enc.stream, {true, false, 0});
        expectSameTriangles(m, out, enc.report.vertexOrder);
        expectNormalsOnGrid(m, out, enc.report.vertexOrder, 10);
    }
}

TEST(RoundTripModes, ThreeStoredColourChannelsAndCoarseSteps) {
    const shapes::Mesh m = shapes::icosphere(2);
    std::vector<float> rgb;
    for (uint32_t i = 0; i < m.vertexCount(); ++i) rgb.insert(rgb.end(), &m.colors[i * 4], &m.colors[i * 4] + 3);
    const std::array<int, 4> steps = {4, 5, 16, 8};
    MeshEncoder e;
    e.setTriangles(m.indices.data(), m.faceCount());
    e.setPositions(m.positions.data(), m.vertexCount());
    e.setColors(rgb.data(), m.vertexCount(), 3, 3, steps, 0);
    const auto stream = e.encode();
    const Decoded out = decode(stream, {false, true, 0});
    expectColorsWithin(m, out, e.report().vertexOrder, steps, 3);
    // Colours given without alpha come back opaque.
    for (uint32_t i = 0; i < out.NV; ++i) ASSERT_EQ(out.colors[size_t(i) * 4 + 3], 1.0f) << "vertex " << i;
}

TEST(RoundTripModes, GroupsKeepTheirOwnTrianglesAcrossComponents) {
    shapes::Mesh m = shapes::icosphere(1);
    const uint32_t first = m.faceCount();
    shapes::Mesh t = shapes::torus(10, 6);
    t.translate(3, 0, 0);
    m.append(t);
    const uint32_t second = m.faceCount();
    shapes::Mesh g = shapes::gridWithHole(6, 2);
    g.translate(0, 3, 0);
    const uint32_t gridBase = m.vertexCount();
    m.append(g);
    // A triangle joining the sphere and the grid: a group reaching vertices
    // that an earlier group created.
    m.indices.insert(m.indices.end(), {0, gridBase + 1, 5});
    std::vector<MeshGroup> groups = {{first, {{"name", "ball"}}}, {first, {}}, {second, {{"name", "ring"}, {"k", "v"}}},
                                     {m.faceCount(), {}}};

    for (Entropy entropy : {ENTROPY_RAW, ENTROPY_TUNSTALL}) {
        MeshEncoder e;
        e.setEntropy(entropy);
        e.setTriangles(m.indices.data(), m.faceCount());
        e.setGroups(groups);
        e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 12});
        e.setNormals(m.normals.data(), m.vertexCount(), FROM_POSITIONS, 12);
        const auto stream = e.encode();
        const auto& order = e.report().vertexOrder;
        const Decoded out = decode(stream, {true, false, 0});
        expectSameTriangles(m, out, order);
        expectPositionsWithin(m, out, order, e.report().steps.at("position"));
        expectNormalsOnGrid(m, out, order, 12);
        uint32_t begin = 0;
        for (const MeshGroup& group : groups) {
            EXPECT_EQ(canonicalTriangles(m.indices.data() + 3 * begin, group.end - begin),
                      canonicalTriangles(out.indices.data() + 3 * begin, group.end - begin, &order))
                << "group ending at " << group.end;
            begin = group.end;
        }
    }
}

TEST(RoundTripModes, ExtraAttributesAreSkippedByTheDecoder) {
    // "nx" sorts between "normal" and "position", "a" before everything:
    // payloads follow name order and the decoder must pass over both.
    const shapes::Mesh m = shapes::torus(12, 8);
    std::vector<float> weight(m.vertexCount()), triple(size_t(m.vertexCount()) * 3);
    for (uint32_t i = 0; i < m.vertexCount(); ++i) {
        weight[i] = float(i % 17) * 0.5f;
        for (int c = 0; c < 3; ++c) triple[size_t(i) * 3 + c] = m.positions[size_t(i) * 3 + c] * 100.0f;
    }
    MeshEncoder e;
    e.setTriangles(m.indices.data(), m.faceCount());
    e.addGeneric("a", weight.data(), m.vertexCount(), 1, {0.5f, 0}, 0);
    e.addGeneric("nx", triple.data(), m.vertexCount(), 3, {0.0f, 16}, SHARED_BITS);
    e.setPositions(m.positions.data(), m.vertexCount());
    e.setNormals(m.normals.data(), m.vertexCount(), DIFF, 9);
    e.addGeneric("uv", m.uvs.data(), m.vertexCount(), 2, {0.001f, 0});
    const auto stream = e.encode();
    const auto& order = e.report().vertexOrder;
    const Decoded out = decode(stream, {true, false, 2});
    expectSameTriangles(m, out, order);
    expectPositionsWithin(m, out, order, e.report().steps.at("position"));
    expectNormalsOnGrid(m, out, order, 9);
    expectUvsWithin(m, out, order, 0.001f);
    // Without a normals output the normal payload is still passed over.
    const Decoded bare = decode(stream, {false, false, 2});
    expectPositionsWithin(m, bare, order, e.report().steps.at("position"));
    expectUvsWithin(m, bare, order, 0.001f);
}

TEST(RoundTripModes, HeaderTagsOfEveryLengthShiftTheBitStreamPadding) {
    const shapes::Mesh m = shapes::icosphere(1);
    for (int extra = 0; extra < 4; ++extra) {
        MeshEncoder e;
        e.setEntropy(extra % 2 ? ENTROPY_RAW : ENTROPY_TUNSTALL);
        e.addHeaderTag("k", std::string(size_t(extra), 'x'));
        e.setTriangles(m.indices.data(), m.faceCount());
        e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 10}, extra < 2 ? SHARED_BITS : 0);
        const auto stream = e.encode();
        SCOPED_TRACE(extra);
        const Decoded out = decode(stream, {false, false, 0});
        expectSameTriangles(m, out, e.report().vertexOrder);
        expectPositionsWithin(m, out, e.report().vertexOrder, e.report().steps.at("position"));
    }
}

TEST(RoundTripModes, PointSetIsRefusedByDecodeMesh) {
    const shapes::Mesh m = shapes::icosphere(0);
    MeshEncoder e;
    e.setPositions(m.positions.data(), m.vertexCount());
    const auto stream = e.encode();
    float counts[2] = {-1, -1};
    void* d = CreateDecoder(int(stream.size()), stream.data(), counts);
    EXPECT_EQ(counts[0], 0.0f);
    EXPECT_EQ(counts[1], float(m.vertexCount()));
    std::vector<float> positions(m.positions.size());
    uint32_t index = 0;
    EXPECT_EQ(DecodeMesh(d, positions.data(), &index, nullptr, nullptr, nullptr), -1);
    DestroyDecoder(d);
}

TEST(RoundTripModes, LargeTorus) {
    const shapes::Mesh m = shapes::torus(320, 160);  // 102,400 triangles
    ASSERT_EQ(m.faceCount(), 102400u);
    const Encoded enc = encodeWithNormals(m, FROM_POSITIONS);
    const Decoded out = decode(enc.stream, {true, false, 0});
    expectSameTriangles(m, out, enc.report.vertexOrder);
    expectPositionsWithin(m, out, enc.report.vertexOrder, enc.report.steps.at("position"));
    expectNormalsOnGrid(m, out, enc.report.vertexOrder, 10);
    // A regular closed surface needs few explicit vertex indices.
    EXPECT_LT(enc.report.symbolCounts[REUSE_VERTEX], m.faceCount() / 100);
}

TEST(RoundTripModes, AllSevenSymbolsOccurAndPostponingIsOptional) {
    std::array<uint64_t, 7> seen{};
    const shapes::Mesh meshes[] = {shapes::icosphere(2), shapes::torus(16, 8), shapes::gridWithHole(10, 4),
                                   shapes::plateWithHandles(2), shapes::nonManifoldPatch()};
    for (const shapes::Mesh& m : meshes) {
        for (bool postpone : {true, false}) {
            MeshEncoder e;
            e.setPostpone(postpone);
            e.setTriangles(m.indices.data(), m.faceCount());
            e.setPositions(m.positions.data(), m.vertexCount());
            const auto stream = e.encode();
            const auto& counts = e.report().symbolCounts;
            if (postpone) {
                for (int s = 0; s < 7; ++s) seen[s] += counts[s];
            } else {
                EXPECT_EQ(counts[POSTPONE], 0u);
            }
            const Decoded out = decode(stream, {false, false, 0});
            expectSameTriangles(m, out, e.report().vertexOrder);
        }
    }
    for (int s = 0; s < 7; ++s) EXPECT_GT(seen[s], 0u) << "symbol " << s << " never used";
}

TEST(RoundTripModes, BadInputIsRefusedWithAReason) {
    const shapes::Mesh m = shapes::icosphere(0);
    {
        MeshEncoder e;
        std::vector<uint32_t> indices = {0, 1, 99};
        e.setTriangles(indices.data(), 1);
        e.setPositions(m.positions.data(), m.vertexCount());
        EXPECT_THROW(e.encode(), EncodeError);
    }
    {
        MeshEncoder e;
        e.setTriangles(m.indices.data(), m.faceCount());
        e.setNormals(m.normals.data(), m.vertexCount(), FROM_POSITIONS);
        EXPECT_THROW(e.encode(), EncodeError);  // no positions to estimate from
    }
    {
        MeshEncoder e;
        e.setTriangles(m.indices.data(), m.faceCount());
        e.setPositions(m.positions.data(), m.vertexCount());
        e.setGroups({{5, {}}});
        EXPECT_THROW(e.encode(), EncodeError);  // groups end short of the faces
    }
    {
        MeshEncoder e;
        e.setPositions(m.positions.data(), m.vertexCount());
        EXPECT_THROW(e.setNormals(m.normals.data(), m.vertexCount() - 1), EncodeError);
    }
    {
        MeshEncoder e;
        std::vector<float> far = m.positions;
        far[0] = 1e9f;
        e.setTriangles(m.indices.data(), m.faceCount());
        e.setPositions(far.data(), m.vertexCount(), {1e-3f, 0});
        EXPECT_THROW(e.encode(), EncodeError);  // beyond the integer range for that step
    }
}

}  // namespace
}  // namespace crt::roundtrip
