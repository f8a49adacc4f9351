// Vertex attributes decoded from hand-made payloads: prediction, scaling,
// normals in every mode and colours, through the exported functions.
#include <gtest/gtest.h>

#include <vector>

#include "MeshStreams.h"
#include "Thrown.h"
#include "crt/ColorAttr.h"
#include "crt/MeshDecoder.h"

using namespace crttest;
using crt::FMT_F32;

namespace {

constexpr uint8_t kParallelogram = crt::PARALLELOGRAM;
constexpr uint8_t kShared = crt::SHARED_BITS;

void expectTriple(const std::vector<float>& v, size_t vertex, float x, float y, float z)
{
    EXPECT_NEAR(v.at(vertex * 3), x, 1e-5f) << "vertex " << vertex;
    EXPECT_NEAR(v.at(vertex * 3 + 1), y, 1e-5f) << "vertex " << vertex;
    EXPECT_NEAR(v.at(vertex * 3 + 2), z, 1e-5f) << "vertex " << vertex;
}

TEST(Attributes, ParallelogramAndPreviousVertexPrediction)
{
    StreamBuilder s = meshStream(kSquare, {{"position", 1, 0.5f, 3, FMT_F32, kParallelogram | kShared},
                                           {"uv", 1, 0.25f, 2, FMT_F32, 0}});
    s.residualsShared({{10, 20, 30}, {4, 0, 0}, {-4, 6, 0}, {1, -1, 2}});
    s.residuals({{8, 4}, {1, 1}, {2, 2}, {-3, 5}}, 2);
    const DecodedMesh m = decodeMesh(s.bytes);
    EXPECT_EQ(m.result, 2);
    EXPECT_EQ(m.indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
    // Vertex 3 across edge (2, 1) from vertex 0: residual + V2 + V1 - V0.
    EXPECT_EQ(m.positions, (std::vector<float>{5, 10, 15, 7, 10, 15, 5, 13, 15, 7.5f, 12.5f, 16}));
    // Without PARALLELOGRAM vertex 3 is predicted from vertex 2 alone.
    EXPECT_EQ(m.uvs, (std::vector<float>{2, 1, 2.25f, 1.25f, 2.75f, 1.75f, 2, 3}));
}

TEST(Attributes, UnboundAttributesStillConsumeTheirPayloads)
{
    // Every payload before "uv" is skipped: an unknown name, a colour, a
    // normal and the positions, each in its own layout.
    StreamBuilder s = meshStream(kSquare, {{"uv", 1, 1.0f, 2, FMT_F32, 0},
                                           {"position", 1, 1.0f, 3, FMT_F32, kShared},
                                           {"normal", crt::KIND_NORMAL, 511.0f},
                                           {"color", crt::KIND_COLOR, 1.0f, 4},
                                           {"aaa", 7, 1.0f, 2, FMT_F32, 0}});
    s.residuals({{1, -1}, {3, 3}, {-7, 0}, {100, 2}}, 2);                            // aaa
    s.u8(1).u8(1).u8(1).u8(1).residuals({{9, 9, 9, 9}, {1, 2, 3, 4}, {0, 0, 0, 0}, {5, 5, 5, 5}}, 4);  // color
    s.u8(crt::DIFF).residualsShared({{3, 4}, {0, 0}, {-1, 1}, {2, 2}});               // normal
    s.residualsShared({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {-1, -2, -3}});               // position
    s.residuals({{10, 20}, {1, 2}, {3, 4}, {5, 6}}, 2);                               // uv
    Outputs want;
    want.positions = want.normals = want.colors = false;
    const DecodedMesh m = decodeMesh(s.bytes, want);
    EXPECT_EQ(m.uvs, (std::vector<float>{10, 20, 11, 22, 14, 26, 19, 32}));
}

TEST(Attributes, PointStreamsPredictEachVertexFromThePreviousOne)
{
    StreamBuilder s;
    s.header(crt::ENTROPY_RAW, {{"position", 1, 1.0f, 2, FMT_F32, kParallelogram}}, 3, 0).groups({});
    s.residuals({{5, 6}, {1, 1}, {-2, 10}}, 2);
    crt::MeshDecoder d(s.bytes.data(), s.size());
    float out[6];
    d.bindOutput("position", out);
    d.runPointDecode();
    EXPECT_EQ(std::vector<float>(out, out + 6), (std::vector<float>{5, 6, 6, 7, 4, 17}));
}

TEST(Normals, DiffModeDecodesGridPointsPredictedFromTheFirstPredictorVertex)
{
    // Grid points (0, 0), (511, 0), (600, 0), (-300, -400) with u = 511.
    StreamBuilder s = meshStream(kSquare, {{"normal", crt::KIND_NORMAL, 511.9f, 3, FMT_F32, kParallelogram}});
    s.u8(crt::DIFF).residualsShared({{0, 0}, {511, 0}, {89, 0}, {-900, -400}});
    const DecodedMesh m = decodeMesh(s.bytes);
    expectTriple(m.normals, 0, 0, 0, 1);
    expectTriple(m.normals, 1, 1, 0, 0);                               // z = 0
    expectTriple(m.normals, 2, 0.970979f, 0.169114f, -0.169114f);      // (511, 89, -89): Y = 0 is not positive
    expectTriple(m.normals, 3, -0.364842f, -0.693528f, -0.621217f);    // (-111, -211, -189)
}

// The triangle (0, 0, 0), (0, 3, 2), (3, 0, 1): its face normal (3, 6, -9)
// projects onto grid point (340, 425) for u = 511.
StreamBuilder tiltedTriangle(const std::vector<std::vector<int32_t>>& corrections, uint32_t NV = 3)
{
    StreamBuilder s = meshStream(kTriangle, {{"position", 1, 1.0f, 3, FMT_F32, 0},
                                             {"normal", crt::KIND_NORMAL, 511.0f, 3}}, NV);
    s.u8(crt::FROM_POSITIONS).residualsShared(corrections);
    std::vector<std::vector<int32_t>> positions = {{0, 0, 0}, {0, 3, 2}, {3, -3, -1}};
    if (NV == 4)
        positions.push_back({7, 7, 7});  // never used by a triangle: predicted from vertex 0
    return s.residuals(positions, 3);
}

TEST(Normals, PositionModeCorrectsTheProjectedEstimate)
{
    const StreamBuilder s = tiltedTriangle({{0, 0}, {1, -2}, {0, 0}});
    const DecodedMesh m = decodeMesh(s.bytes);
    expectTriple(m.normals, 0, 0.270401f, 0.537659f, -0.798628f);  // grid (340, 425)
    expectTriple(m.normals, 1, 0.277376f, 0.535841f, -0.797457f);  // grid (341, 423)
    expectTriple(m.normals, 2, 0.270401f, 0.537659f, -0.798628f);
    EXPECT_EQ(m.positions, (std::vector<float>{0, 0, 0, 0, 3, 2, 3, 0, 1}));

    // Without a positions array the positions are decoded aside for the estimate.
    Outputs noPositions;
    noPositions.positions = false;
    EXPECT_EQ(decodeMesh(s.bytes, noPositions).normals, m.normals);
}

TEST(Normals, FlatSquareWithoutCorrectionsPointsUp)
{
    StreamBuilder s = meshStream(kSquare, {{"normal", crt::KIND_NORMAL, 511.0f}, {"position", 1, 1.0f, 3}});
    s.u8(crt::FROM_POSITIONS).residualsShared({{0, 0}, {0, 0}, {0, 0}, {0, 0}});
    s.residuals({{0, 0, 5}, {1, 0, 0}, {-1, 1, 0}, {1, 0, 0}}, 3);  // (0,0) (1,0) (0,1) (1,1)
    const DecodedMesh m = decodeMesh(s.bytes);
    for (size_t v = 0; v < 4; ++v)
        expectTriple(m.normals, v, 0, 0, 1);
}

TEST(Normals, RimModeCorrectsOnlyVerticesOnOpenEdges)
{
    // Open tetrahedron on (0,0,0) (4,0,0) (0,4,0) (0,0,4): vertex 1 is inside
    // and takes its normalised estimate (-16, 0, 0); 0, 2 and 3 carry one
    // correction each, in vertex order.
    StreamBuilder s = meshStream(kOpenTetrahedron, {{"normal", crt::KIND_NORMAL, 511.0f}, {"position", 1, 1.0f, 3}});
    s.u8(crt::FROM_POSITIONS_RIM).residualsShared({{0, 0}, {0, 0}, {0, 0}});
    s.residuals({{0, 0, 0}, {4, 0, 0}, {-4, 4, 0}, {0, -4, 4}}, 3);
    const DecodedMesh m = decodeMesh(s.bytes);
    expectTriple(m.normals, 0, 0, 0.705722f, 0.708489f);          // estimate (0, 16, 16): grid (0, 255)
    expectTriple(m.normals, 1, -1, 0, 0);
    expectTriple(m.normals, 2, -0.707104f, -0.707104f, 0.002773f); // (-16, -16, 0): grid (-255, -255)
    expectTriple(m.normals, 3, -0.708489f, 0, -0.705722f);        // (-16, 0, -16): grid (-511, 255)

    // A closed mesh has no rim: no corrections, every normal is the estimate.
    StreamBuilder closed = meshStream(kTetrahedron, {{"normal", crt::KIND_NORMAL, 511.0f}, {"position", 1, 1.0f, 3}});
    closed.u8(crt::FROM_POSITIONS_RIM).residualsShared({});
    closed.residuals({{0, 0, 0}, {4, 0, 0}, {-4, 4, 0}, {0, -4, 4}}, 3);
    const DecodedMesh c = decodeMesh(closed.bytes);
    const float k = 0.57735026f;
    expectTriple(c.normals, 0, k, k, k);
    expectTriple(c.normals, 1, -1, 0, 0);
    expectTriple(c.normals, 2, 0, -1, 0);
    expectTriple(c.normals, 3, 0, 0, -1);

    // As many corrections as rim vertices, no fewer.
    StreamBuilder short_ = meshStream(kOpenTetrahedron, {{"normal", crt::KIND_NORMAL, 511.0f}, {"position", 1, 1.0f, 3}});
    short_.u8(crt::FROM_POSITIONS_RIM).residualsShared({{0, 0}, {0, 0}});
    short_.residuals({{0, 0, 0}, {4, 0, 0}, {-4, 4, 0}, {0, -4, 4}}, 3);
    EXPECT_EQ(thrown([&] { decodeMesh(short_.bytes); }), "Corrupt crt stream.");
}

TEST(Normals, VertexWithoutTrianglesGetsPlusZ)
{
    // Vertex 3 belongs to no triangle: its estimate is zero; its correction
    // is consumed but there is no direction to correct.
    const DecodedMesh m = decodeMesh(tiltedTriangle({{0, 0}, {0, 0}, {0, 0}, {5, 5}}, 4).bytes);
    expectTriple(m.normals, 3, 0, 0, 1);
    expectTriple(m.positions, 3, 7, 7, 7);
}

TEST(Normals, PositionModesNeedUsablePositions)
{
    auto stream = [](const std::vector<crttest::Descriptor>& extra, uint8_t mode, float grid) {
        std::vector<crttest::Descriptor> attributes = {{"normal", crt::KIND_NORMAL, grid}};
        attributes.insert(attributes.end(), extra.begin(), extra.end());
        StreamBuilder s = meshStream(kTriangle, attributes);
        s.u8(mode).residualsShared({{0, 0}, {0, 0}, {0, 0}});
        for (const auto& d : extra) {
            if (d.codec == crt::KIND_COLOR)
                s.raw(std::vector<uint8_t>(d.N, 1));
            s.residuals({std::vector<int32_t>(d.N, 1), std::vector<int32_t>(d.N, 1), std::vector<int32_t>(d.N, 1)},
                        d.N);
        }
        return s.bytes;
    };
    auto error = [](const std::vector<uint8_t>& bytes, bool normals = true) {
        Outputs want;
        want.normals = normals;
        return thrown([&] { decodeMesh(bytes, want); });
    };
    EXPECT_EQ(error(stream({}, crt::FROM_POSITIONS, 511)),
              "No position attribute found. Use DIFF normal strategy instead.");
    EXPECT_EQ(error(stream({{"position", crt::KIND_COLOR, 1.0f, 4}}, crt::FROM_POSITIONS_RIM, 511)),
              "Position attr has been overloaded, Use DIFF normal strategy instead.");
    EXPECT_EQ(error(stream({{"position", 1, 1.0f, 2}}, crt::FROM_POSITIONS, 511)), "Corrupt crt stream.");
    // Nothing is estimated when nobody asked for normals.
    EXPECT_EQ(error(stream({}, crt::FROM_POSITIONS, 511), false), "(nothing thrown)");
    // Modes and grids that cannot be.
    EXPECT_EQ(error(stream({{"position"}}, 3, 511)), "Corrupt crt stream.");
    EXPECT_EQ(error(stream({{"position"}}, crt::DIFF, 0.5f)), "Corrupt crt stream.");
}

TEST(Colors, ChannelsAreRebuiltFromLumaDifferencesAndScaledBySteps)
{
    // Stored (100, 20, 250, 255), then (50, 2, 3, 31) as a wrapping difference.
    StreamBuilder s = meshStream(kTriangle, {{"color", crt::KIND_COLOR, 1.0f, 4, FMT_F32, 0}});
    s.u8(4).u8(4).u8(4).u8(8).residuals({{100, 20, 250, 255}, {-50, -18, -247, -224}, {0, 0, 0, 0}}, 4);
    const DecodedMesh m = decodeMesh(s.bytes);
    const std::vector<float> expected = {
        376.0f / 255, 400.0f / 255, 480.0f / 255, 2040.0f / 255,  // R = 100 + 250 = 94 (mod 256)
        212.0f / 255, 200.0f / 255, 208.0f / 255, 248.0f / 255,  // R = 53, G = 50, B = 52, A = 31
        212.0f / 255, 200.0f / 255, 208.0f / 255, 248.0f / 255};
    EXPECT_EQ(m.colors, expected);

    // Three stored channels: alpha is opaque.
    StreamBuilder rgb = meshStream(kTriangle, {{"color", crt::KIND_COLOR, 1.0f, 3, FMT_F32, 0}});
    rgb.u8(1).u8(1).u8(1).residuals({{100, 20, 250}, {0, 0, 0}, {0, 0, 0}}, 3);
    const DecodedMesh c = decodeMesh(rgb.bytes);
    for (size_t v = 0; v < 3; ++v) {
        EXPECT_EQ(c.colors[4 * v], 94.0f / 255);
        EXPECT_EQ(c.colors[4 * v + 1], 100.0f / 255);
        EXPECT_EQ(c.colors[4 * v + 2], 120.0f / 255);
        EXPECT_EQ(c.colors[4 * v + 3], 1.0f);
    }
}

TEST(Colors, ByteOutputWidensInPlace)
{
    crt::ColorAttr color;
    color.N = 3;
    color.format = crt::FMT_U8;
    const int32_t steps[4] = {2, 2, 2, 8};
    std::copy(steps, steps + 4, color.channel_steps);
    uint8_t buffer[8] = {100, 20, 250, 10, 5, 6, 0, 0};
    color.buffer = buffer;
    color.writeOutput(2);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 8), (std::vector<uint8_t>{188, 200, 240, 255, 32, 20, 30, 255}));

    color.format = crt::FMT_I16;
    EXPECT_EQ(thrown([&] { color.writeOutput(2); }), "Unsupported color output format.");
}

}  // namespace
