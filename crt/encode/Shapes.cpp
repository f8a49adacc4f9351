#include "crt/encode/Shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace crt::shapes {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void normalise(float* v) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0.0f)
        for (int k = 0; k < 3; ++k) v[k] /= len;
}

// Colours and texture coordinates that vary smoothly over the surface.
void paint(Mesh& m) {
    const uint32_t NV = m.vertexCount();
    m.colors.resize(size_t(NV) * 4);
    if (m.uvs.size() != size_t(NV) * 2) m.uvs.assign(size_t(NV) * 2, 0.0f);
    for (uint32_t i = 0; i < NV; ++i) {
        const float* p = &m.positions[size_t(i) * 3];
        m.colors[size_t(i) * 4 + 0] = 0.5f + 0.5f * std::sin(3.0f * p[0]);
        m.colors[size_t(i) * 4 + 1] = 0.5f + 0.5f * std::cos(2.0f * p[1]);
        m.colors[size_t(i) * 4 + 2] = 0.5f + 0.5f * std::sin(2.5f * p[2] + 1.0f);
        m.colors[size_t(i) * 4 + 3] = 0.75f + 0.25f * std::cos(p[0] + p[1]);
    }
}

// Area-weighted face-normal sums, for shapes without analytic normals.
void faceNormals(Mesh& m) {
    m.normals.assign(m.positions.size(), 0.0f);
    for (size_t f = 0; f < m.indices.size(); f += 3) {
        const float* a = &m.positions[size_t(m.indices[f]) * 3];
        const float* b = &m.positions[size_t(m.indices[f + 1]) * 3];
        const float* c = &m.positions[size_t(m.indices[f + 2]) * 3];
        const float d1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float d2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const float n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j) m.normals[size_t(m.indices[f + k]) * 3 + j] += n[j];
    }
    for (size_t i = 0; i < m.normals.size(); i += 3) normalise(&m.normals[i]);
}

}  // namespace

void Mesh::append(const Mesh& other) {
    const uint32_t base = vertexCount();
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    colors.insert(colors.end(), other.colors.begin(), other.colors.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    for (uint32_t v : other.indices) indices.push_back(v + base);
}

void Mesh::translate(float dx, float dy, float dz) {
    for (size_t i = 0; i < positions.size(); i += 3) {
        positions[i] += dx;
        positions[i + 1] += dy;
        positions[i + 2] += dz;
    }
}

Mesh icosphere(int levels, float radius) {
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    std::vector<std::array<float, 3>> v = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                                           {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (auto& p : v) normalise(p.data());
    std::vector<uint32_t> f = {0, 11, 5, 0, 5, 1, 0, 1, 7, 0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11, 4, 11, 10, 2,
                               10, 7, 6, 7, 1, 8, 3, 9, 4, 3, 4, 2, 3, 2, 6, 3, 6, 8, 3, 8, 9, 4, 9, 5,
                               2, 4, 11, 6, 2, 10, 8, 6, 7, 9, 8, 1};
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> middle;
        auto mid = [&](uint32_t a, uint32_t b) {
            const std::pair<uint32_t, uint32_t> key{std::min(a, b), std::max(a, b)};
            auto it = middle.find(key);
            if (it != middle.end()) return it->second;
            std::array<float, 3> p = {v[a][0] + v[b][0], v[a][1] + v[b][1], v[a][2] + v[b][2]};
            normalise(p.data());
            v.push_back(p);
            const uint32_t n = static_cast<uint32_t>(v.size() - 1);
            middle.emplace(key, n);
            return n;
        };
        std::vector<uint32_t> next;
        for (size_t i = 0; i < f.size(); i += 3) {
            const uint32_t a = f[i], b = f[i + 1], c = f[i + 2];
            const uint32_t ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
            next.insert(next.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        f.swap(next);
    }
    Mesh m;
    for (const auto& p : v) {
        m.positions.insert(m.positions.end(), {p[0] * radius, p[1] * radius, p[2] * radius});
        m.normals.insert(m.normals.end(), {p[0], p[1], p[2]});
        m.uvs.push_back(0.5f + std::atan2(p[2], p[0]) / (2.0f * kPi));
        m.uvs.push_back(0.5f - std::asin(std::clamp(p[1], -1.0f, 1.0f)) / kPi);
    }
    m.indices = std::move(f);
    paint(m);
    return m;
}

Mesh torus(int nu, int nv, float major, float minor) {
    Mesh m;
    for (int i = 0; i < nu; ++i) {
        const float u = 2.0f * kPi * float(i) / float(nu);
        for (int j = 0; j < nv; ++j) {
            const float w = 2.0f * kPi * float(j) / float(nv);
            const float n[3] = {std::cos(u) * std::cos(w), std::sin(u) * std::cos(w), std::sin(w)};
            m.positions.insert(m.positions.end(), {std::cos(u) * major + minor * n[0],
                                                   std::sin(u) * major + minor * n[1], minor * n[2]});
            m.normals.insert(m.normals.end(), {n[0], n[1], n[2]});
            m.uvs.insert(m.uvs.end(), {float(i) / float(nu), float(j) / float(nv)});
        }
    }
    auto at = [&](int i, int j) { return static_cast<uint32_t>((i % nu) * nv + (j % nv)); };
    for (int i = 0; i < nu; ++i) {
        for (int j = 0; j < nv; ++j) {
            const uint32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            m.indices.insert(m.indices.end(), {a, b, c, a, c, d});
        }
    }
    paint(m);
    return m;
}

Mesh gridWithHole(int n, int h) {
    const int lo = (n - h) / 2, hi = lo + h;
    auto inHole = [&](int i, int j) { return h > 0 && i >= lo && i < hi && j >= lo && j < hi; };
    Mesh m;
    std::vector<int64_t> number(size_t(n + 1) * (n + 1), -1);
    auto vertex = [&](int i, int j) {
        int64_t& slot = number[size_t(j) * (n + 1) + i];
        if (slot < 0) {
            const float x = float(i) / float(n) * 2.0f - 1.0f, y = float(j) / float(n) * 2.0f - 1.0f;
            // A gentle wave, so the surface is not flat: z = 0.1 sin(2x) cos(2y).
            const float z = 0.1f * std::sin(2.0f * x) * std::cos(2.0f * y);
            float nrm[3] = {-0.2f * std::cos(2.0f * x) * std::cos(2.0f * y), 0.2f * std::sin(2.0f * x) * std::sin(2.0f * y),
                            1.0f};
            normalise(nrm);
            slot = m.vertexCount();
            m.positions.insert(m.positions.end(), {x, y, z});
            m.normals.insert(m.normals.end(), {nrm[0], nrm[1], nrm[2]});
            m.uvs.insert(m.uvs.end(), {float(i) / float(n), float(j) / float(n)});
        }
        return static_cast<uint32_t>(slot);
    };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            if (inHole(i, j)) continue;
            const uint32_t a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
            // Alternate the diagonal so that vertices of every valence occur.
            if ((i + j) % 2 == 0)
                m.indices.insert(m.indices.end(), {a, b, c, a, c, d});
            else
                m.indices.insert(m.indices.end(), {a, b, d, b, c, d});
        }
    }
    paint(m);
    return m;
}

Mesh plateWithHandles(int holes) {
    const int W = 2 * holes + 1, H = 3;
    auto present = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= W || j >= H) return false;
        return !(j == 1 && i % 2 == 1);
    };
    Mesh m;
    std::map<std::array<int, 3>, uint32_t> number;
    auto vertex = [&](int i, int j, int k) {
        auto [it, fresh] = number.emplace(std::array<int, 3>{i, j, k}, m.vertexCount());
        if (fresh) m.positions.insert(m.positions.end(), {0.3f * float(i), 0.3f * float(j), 0.2f * float(k)});
        return it->second;
    };
    auto quad = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
        m.indices.insert(m.indices.end(), {a, b, c, a, c, d});
    };
    for (int j = 0; j < H; ++j) {
        for (int i = 0; i < W; ++i) {
            if (!present(i, j)) continue;
            quad(vertex(i, j, 1), vertex(i + 1, j, 1), vertex(i + 1, j + 1, 1), vertex(i, j + 1, 1));
            quad(vertex(i, j + 1, 0), vertex(i + 1, j + 1, 0), vertex(i + 1, j, 0), vertex(i, j, 0));
            if (!present(i + 1, j))
                quad(vertex(i + 1, j, 0), vertex(i + 1, j + 1, 0), vertex(i + 1, j + 1, 1), vertex(i + 1, j, 1));
            if (!present(i - 1, j))
                quad(vertex(i, j + 1, 0), vertex(i, j, 0), vertex(i, j, 1), vertex(i, j + 1, 1));
            if (!present(i, j + 1))
                quad(vertex(i + 1, j + 1, 0), vertex(i, j + 1, 0), vertex(i, j + 1, 1), vertex(i + 1, j + 1, 1));
            if (!present(i, j - 1))
                quad(vertex(i, j, 0), vertex(i + 1, j, 0), vertex(i + 1, j, 1), vertex(i, j, 1));
        }
    }
    faceNormals(m);
    m.uvs.clear();
    for (uint32_t i = 0; i < m.vertexCount(); ++i)
        m.uvs.insert(m.uvs.end(), {m.positions[size_t(i) * 3], m.positions[size_t(i) * 3 + 1]});
    paint(m);
    return m;
}

Mesh nonManifoldPatch() {
    Mesh m = gridWithHole(4, 0);
    auto addVertex = [&](float x, float y, float z) {
        m.positions.insert(m.positions.end(), {x, y, z});
        m.normals.insert(m.normals.end(), {0.0f, 0.0f, 1.0f});
        m.uvs.insert(m.uvs.end(), {x, y});
        return m.vertexCount() - 1;
    };
    const uint32_t a = m.indices[9], b = m.indices[10], c = m.indices[11];  // an inner triangle
    const uint32_t fin = addVertex(0.1f, 0.1f, 0.8f);
    m.indices.insert(m.indices.end(), {a, b, fin});  // third triangle on edge a-b, same direction
    m.indices.insert(m.indices.end(), {b, a, fin});  // and a fourth, opposite
    m.indices.insert(m.indices.end(), {a, c, b});    // the inner triangle flipped
    m.indices.insert(m.indices.end(), {a, b, c});    // and repeated
    m.indices.insert(m.indices.end(), {c, c, fin});  // a repeated corner
    addVertex(2.0f, 2.0f, 0.0f);                     // used by no triangle
    paint(m);
    return m;
}

}  // namespace crt::shapes
