#include "crt/NormalAttr.h"

#include <cmath>
#include <cstdlib>

#include "crt/GenericAttr.h"
#include "crt/Residuals.h"

namespace crt {

namespace {

// Grid coordinates of the octahedral projection of an estimate (not zero).
void octahedralProject(const float e[3], float u, int64_t& X, int64_t& Y)
{
    const float h = std::fabs(e[0]) + std::fabs(e[1]) + std::fabs(e[2]);
    float ox = e[0] / h;
    float oy = e[1] / h;
    if (e[2] < 0.0f) {
        const float fx = 1.0f - std::fabs(oy);
        const float fy = 1.0f - std::fabs(ox);
        ox = e[0] < 0.0f ? -fx : fx;
        oy = e[1] < 0.0f ? -fy : fy;
    }
    X = int64_t(std::trunc(u * ox));
    Y = int64_t(std::trunc(u * oy));
}

bool isZero(const float e[3])
{
    return e[0] == 0.0f && e[1] == 0.0f && e[2] == 0.0f;
}

}  // namespace

void NormalAttr::octahedralDecode(int64_t X, int64_t Y, int64_t u, float out[3])
{
    const int64_t z = u - std::llabs(X) - std::llabs(Y);
    if (z < 0) {
        const int64_t fx = u - std::llabs(Y);
        const int64_t fy = u - std::llabs(X);
        X = X > 0 ? fx : -fx;
        Y = Y > 0 ? fy : -fy;
    }
    const float x = float(X), y = float(Y), zf = float(z);
    const float len = float(std::sqrt(double(x * x + y * y + zf * zf)));
    out[0] = x / len;
    out[1] = y / len;
    out[2] = zf / len;
}

void NormalAttr::store(size_t vertex, const float n[3])
{
    if (format == FMT_I16) {
        int16_t* out = static_cast<int16_t*>(buffer) + vertex * 3;
        for (int k = 0; k < 3; ++k)
            out[k] = int16_t(n[k] * 32767.0f);
    } else {
        float* out = static_cast<float*>(buffer) + vertex * 3;
        for (int k = 0; k < 3; ++k)
            out[k] = n[k];
    }
}

void NormalAttr::readPayload(uint32_t NV, ByteCursor& in)
{
    mode = in.u8();
    if (mode > FROM_POSITIONS_RIM)
        throw kCorrupt;
    // A grid needs at least one step per axis, and its size must fit the
    // 32-bit grid coordinates.
    if (!(q >= 1.0f && q < 2147483648.0f))
        throw kCorrupt;
    if (!buffer) {
        skipResiduals(in, 1);
        return;
    }
    grid.resize(size_t(NV) * 2);
    const uint32_t count = readResidualsShared(in, grid.data(), 2, NV);
    // Rim corrections are counted against the rim in finishWithMesh.
    if (mode != FROM_POSITIONS_RIM && count != NV)
        throw kCorrupt;
    grid.resize(size_t(count) * 2);
}

void NormalAttr::unpredict(uint32_t NV, const PredictorTable& predictors)
{
    if (!buffer || mode != DIFF)
        return;
    uint32_t* g = reinterpret_cast<uint32_t*>(grid.data());
    if (predictors.size == 0) {
        for (size_t k = 2; k < size_t(NV) * 2; ++k)
            g[k] += g[k - 2];
        return;
    }
    if (predictors.size == 1)
        return;
    for (uint32_t i = 1; i < predictors.size; ++i) {
        const size_t a = predictors[i].a;
        g[2 * size_t(i)] += g[2 * a];
        g[2 * size_t(i) + 1] += g[2 * a + 1];
    }
}

void NormalAttr::finishWithMesh(uint32_t NV, uint32_t NF, const AttributeMap& attributes,
                                const Connectivity& connectivity)
{
    if (!buffer || mode == DIFF)
        return;
    const auto found = attributes.find("position");
    if (found == attributes.end())
        throw kNoPosition;
    const auto* position = dynamic_cast<const GenericAttr<int32_t>*>(found->second.get());
    if (!position)
        throw kPositionOverloaded;
    if (position->N != 3 || !position->buffer)
        throw kCorrupt;
    if (format != FMT_F32 && format != FMT_I16)
        throw kNormalFinishFormat;

    // Sum of the unnormalised face normals around each vertex: larger
    // triangles weigh more.
    const int32_t* pos = static_cast<const int32_t*>(position->buffer);
    std::vector<float> estimate(size_t(NV) * 3, 0.0f);
    auto vertexOf = [&](size_t k) -> size_t {
        return connectivity.faces16 ? connectivity.faces16[k] : connectivity.faces32[k];
    };
    for (size_t f = 0; f < NF; ++f) {
        const size_t v[3] = {vertexOf(3 * f), vertexOf(3 * f + 1), vertexOf(3 * f + 2)};
        float p[3][3];
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                p[j][k] = float(pos[v[j] * 3 + k]);
        const float d1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const float d2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const float n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2],
                            d1[0] * d2[1] - d1[1] * d2[0]};
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                estimate[v[j] * 3 + k] += n[k];
    }

    const uint32_t corrections = uint32_t(grid.size() / 2);
    if (mode == FROM_POSITIONS_RIM) {
        // A neighbour met through two triangles cancels out of the mark, so
        // only vertices on open edges keep a non-zero mark.
        rim_marks.assign(NV, 0);
        for (size_t f = 0; f < NF; ++f) {
            const int32_t a = int32_t(vertexOf(3 * f)), b = int32_t(vertexOf(3 * f + 1)),
                          c = int32_t(vertexOf(3 * f + 2));
            rim_marks[size_t(a)] ^= b ^ c;
            rim_marks[size_t(b)] ^= c ^ a;
            rim_marks[size_t(c)] ^= a ^ b;
        }
        uint32_t rim = 0;
        for (const int32_t mark : rim_marks)
            rim += mark != 0;
        if (rim != corrections)
            throw kCorrupt;
    }

    const int64_t u = gridSize();
    const float uf = float(u);
    size_t k = 0;
    for (size_t i = 0; i < NV; ++i) {
        const float* e = &estimate[i * 3];
        const bool corrected = mode == FROM_POSITIONS || rim_marks[i] != 0;
        // A vertex whose estimate is zero (no triangle uses it, or its faces
        // cancel) has no direction to project or normalise: it gets +z. Its
        // correction, if it has one, is still consumed.
        float n[3] = {0.0f, 0.0f, 1.0f};
        if (corrected) {
            const int64_t dx = grid[2 * k], dy = grid[2 * k + 1];
            ++k;
            if (!isZero(e)) {
                int64_t X, Y;
                octahedralProject(e, uf, X, Y);
                octahedralDecode(X + dx, Y + dy, u, n);
            }
        } else if (!isZero(e)) {
            const double len = std::sqrt(double(e[0]) * e[0] + double(e[1]) * e[1] + double(e[2]) * e[2]);
            for (int j = 0; j < 3; ++j)
                n[j] = float(e[j] / len);
        }
        store(i, n);
    }
}

void NormalAttr::writeOutput(uint32_t NV)
{
    if (!buffer || mode != DIFF)
        return;
    if (format != FMT_F32 && format != FMT_I16)
        throw kNormalOutputFormat;
    const int64_t u = gridSize();
    for (size_t i = 0; i < NV; ++i) {
        float n[3];
        octahedralDecode(grid[2 * i], grid[2 * i + 1], u, n);
        store(i, n);
    }
}

}  // namespace crt
