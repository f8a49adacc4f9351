#include "tools/crt-tool/PlyWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace crttool {
namespace {

uint8_t colorByte(float v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

template <typename T>
void put(std::string& out, T v) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &v, sizeof(T));  // the build targets little-endian machines
    out.append(bytes, sizeof(T));
}

}  // namespace

void writePly(const std::string& path, const DecodedMesh& m, bool ascii) {
    static const char* const kAxes[] = {"x", "y", "z"};
    static const char* const kUv[] = {"s", "t", "r"};
    const int P = std::min(m.positionComponents, 3);
    const int T = std::min(m.uvComponents, 3);
    const bool normals = !m.normals.empty(), colors = !m.colors.empty();

    std::string header = "ply\nformat ";
    header += ascii ? "ascii 1.0\n" : "binary_little_endian 1.0\n";
    header += "comment decoded by crt-tool\n";
    header += "element vertex " + std::to_string(m.NV) + "\n";
    for (int c = 0; c < P; ++c) header += std::string("property float ") + kAxes[c] + "\n";
    if (normals) header += "property float nx\nproperty float ny\nproperty float nz\n";
    if (colors) header += "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n";
    for (int c = 0; c < T; ++c) header += std::string("property float ") + kUv[c] + "\n";
    header += "element face " + std::to_string(m.NF) + "\n";
    header += "property list uchar uint vertex_indices\nend_header\n";

    std::string body;
    char text[64];
    auto number = [&](float v) {
        std::snprintf(text, sizeof text, "%.9g ", double(v));
        body += text;
    };
    for (uint32_t i = 0; i < m.NV; ++i) {
        const size_t lineStart = body.size();
        for (int c = 0; c < P; ++c) {
            const float v = m.positions[size_t(i) * m.positionComponents + c];
            ascii ? number(v) : put(body, v);
        }
        if (normals)
            for (int c = 0; c < 3; ++c) ascii ? number(m.normals[size_t(i) * 3 + c]) : put(body, m.normals[size_t(i) * 3 + c]);
        if (colors)
            for (int c = 0; c < 4; ++c) {
                const uint8_t b = colorByte(m.colors[size_t(i) * 4 + c]);
                if (ascii)
                    body += std::to_string(b) + " ";
                else
                    put(body, b);
            }
        for (int c = 0; c < T; ++c) {
            const float v = m.uvs[size_t(i) * m.uvComponents + c];
            ascii ? number(v) : put(body, v);
        }
        if (ascii) {
            if (body.size() > lineStart)
                body.back() = '\n';  // the last number's separator
            else
                body += '\n';
        }
    }
    for (uint32_t f = 0; f < m.NF; ++f) {
        if (ascii) {
            body += "3 " + std::to_string(m.indices[3 * size_t(f)]) + " " + std::to_string(m.indices[3 * size_t(f) + 1]) +
                    " " + std::to_string(m.indices[3 * size_t(f) + 2]) + "\n";
        } else {
            put(body, uint8_t(3));
            for (int k = 0; k < 3; ++k) put(body, m.indices[3 * size_t(f) + k]);
        }
    }
    std::ofstream out(path, std::ios::binary);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << header << body;
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace crttool
