#include "RoundTripSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "crt/Decoder.h"
#include "crt/encode/Octahedral.h"

namespace crt::roundtrip {

Decoded decode(const std::vector<uint8_t>& stream, Outputs outputs) {
    Decoded d;
    float counts[2] = {-1, -1};
    void* decoder = CreateDecoder(static_cast<int>(stream.size()), stream.data(), counts);
    d.NF = static_cast<uint32_t>(counts[0]);
    d.NV = static_cast<uint32_t>(counts[1]);
    d.positions.assign(size_t(d.NV) * 3, NAN);
    d.indices.assign(size_t(d.NF) * 3, 0xDEADBEEF);
    if (outputs.normals) d.normals.assign(size_t(d.NV) * 3, NAN);
    if (outputs.colors) d.colors.assign(size_t(d.NV) * 4, NAN);
    if (outputs.uvComponents) d.uvs.assign(size_t(d.NV) * outputs.uvComponents, NAN);
    try {
        const int faces = DecodeMesh(decoder, d.positions.data(), d.indices.data(),
                                     outputs.normals ? d.normals.data() : nullptr,
                                     outputs.colors ? d.colors.data() : nullptr,
                                     outputs.uvComponents ? d.uvs.data() : nullptr);
        EXPECT_EQ(faces, d.NF == 0 ? -1 : int(d.NF));
    } catch (const char* message) {
        DestroyDecoder(decoder);
        ADD_FAILURE() << "decoder failed: " << message;
        return d;
    }
    DestroyDecoder(decoder);
    return d;
}

std::vector<std::array<uint32_t, 3>> canonicalTriangles(const uint32_t* indices, size_t faces,
                                                        const std::vector<uint32_t>* toInput) {
    std::vector<std::array<uint32_t, 3>> out(faces);
    for (size_t f = 0; f < faces; ++f) {
        std::array<uint32_t, 3> t = {indices[3 * f], indices[3 * f + 1], indices[3 * f + 2]};
        if (toInput)
            for (uint32_t& v : t) v = v < toInput->size() ? (*toInput)[v] : 0xFFFFFFFFu;
        // The smallest of the three rotations (with a repeated corner the
        // first smallest index is not enough).
        std::array<uint32_t, 3> best = t;
        for (int r = 1; r < 3; ++r) {
            std::rotate(t.begin(), t.begin() + 1, t.end());
            best = std::min(best, t);
        }
        out[f] = best;
    }
    std::sort(out.begin(), out.end());
    return out;
}

void expectSameTriangles(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder) {
    ASSERT_EQ(out.NF, in.faceCount());
    ASSERT_EQ(vertexOrder.size(), in.vertexCount());
    const auto expected = canonicalTriangles(in.indices.data(), in.faceCount());
    const auto got = canonicalTriangles(out.indices.data(), out.NF, &vertexOrder);
    EXPECT_TRUE(expected == got) << "the decoded triangles differ from the input";
}

void expectPositionsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                           float step) {
    ASSERT_EQ(out.NV, in.vertexCount());
    double worst = 0.0;
    for (uint32_t i = 0; i < out.NV; ++i)
        for (int c = 0; c < 3; ++c) {
            const float want = in.positions[size_t(vertexOrder[i]) * 3 + c];
            const double err = std::fabs(double(out.positions[size_t(i) * 3 + c]) - want) - std::fabs(want) * 1.2e-7;
            worst = std::max(worst, err);
        }
    EXPECT_LE(worst, step * 0.5 * (1 + 1e-5)) << "step " << step;
}

void expectUvsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder, float step) {
    ASSERT_EQ(out.uvs.size(), size_t(out.NV) * 2);
    double worst = 0.0;
    for (uint32_t i = 0; i < out.NV; ++i)
        for (int c = 0; c < 2; ++c)
            worst = std::max(worst, std::fabs(double(out.uvs[size_t(i) * 2 + c]) - in.uvs[size_t(vertexOrder[i]) * 2 + c]));
    EXPECT_LE(worst, step * 0.5 * (1 + 1e-5) + 1e-6) << "step " << step;
}

void expectColorsWithin(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                        std::array<int, 4> steps, int storedChannels) {
    ASSERT_EQ(out.colors.size(), size_t(out.NV) * 4);
    for (int k = 0; k < storedChannels; ++k) {
        // Half a step, or a whole one less one level at the top, where the
        // nearest level would pass 255; plus the rounding to bytes.
        const double tolerance = (std::max(steps[k] * 0.5, steps[k] - 1.0) + 0.5) / 255.0 + 1e-6;
        double worst = 0.0;
        for (uint32_t i = 0; i < out.NV; ++i)
            worst = std::max(worst, std::fabs(double(out.colors[size_t(i) * 4 + k]) - in.colors[size_t(vertexOrder[i]) * 4 + k]));
        EXPECT_LE(worst, tolerance) << "channel " << k << " step " << steps[k];
    }
}

void expectNormalsOnGrid(const shapes::Mesh& in, const Decoded& out, const std::vector<uint32_t>& vertexOrder,
                         int gridBits) {
    ASSERT_EQ(out.normals.size(), size_t(out.NV) * 3);
    const int32_t u = normalGridUnit(gridBits);
    int wrong = 0;
    double worstAngle = 0.0;
    for (uint32_t i = 0; i < out.NV; ++i) {
        const float* n = &in.normals[size_t(vertexOrder[i]) * 3];
        const auto g = enc::octEncode(n, u);
        const auto want = enc::octDecode(g[0], g[1], u);
        const float* got = &out.normals[size_t(i) * 3];
        if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2]) ++wrong;
        worstAngle = std::max(worstAngle, angleBetween(got, n));
    }
    EXPECT_EQ(wrong, 0) << "normals off their grid point";
    // The grid's spacing is 1/u along the octahedron; on the sphere that is
    // at most about 1.6/u radians between neighbours, half of it to the nearest.
    EXPECT_LT(worstAngle, 1.6 / u) << "grid unit " << u;
}

std::vector<bool> borderVertices(const Decoded& out) {
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (size_t f = 0; f < out.NF; ++f)
        for (int k = 0; k < 3; ++k) {
            uint32_t a = out.indices[3 * f + k], b = out.indices[3 * f + (k + 1) % 3];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    std::vector<bool> border(out.NV, false);
    for (const auto& [e, count] : edges)
        if (count == 1) border[e.first] = border[e.second] = true;
    return border;
}

double angleBetween(const float* a, const float* b) {
    const double dot = double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
    const double la = std::sqrt(double(a[0]) * a[0] + double(a[1]) * a[1] + double(a[2]) * a[2]);
    const double lb = std::sqrt(double(b[0]) * b[0] + double(b[1]) * b[1] + double(b[2]) * b[2]);
    return std::acos(std::clamp(dot / (la * lb), -1.0, 1.0));
}

}  // namespace crt::roundtrip
