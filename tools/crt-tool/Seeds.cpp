#include "tools/crt-tool/Seeds.h"

#include <fstream>
#include <stdexcept>

#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"
#include "crt/EncodeSettings.h"

namespace crttool {
namespace {

namespace sh = crt::shapes;

void save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes,
          std::vector<std::string>& written) {
    const std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
    written.push_back(name);
}

crt::EncodeSettings plain(crt::Entropy entropy) {
    crt::EncodeSettings s;
    s.entropy = entropy;
    s.position.bits = 10;
    return s;
}

}  // namespace

std::vector<std::string> writeSeeds(const std::string& dir) {
    std::vector<std::string> written;

    {  // one triangle, positions only
        sh::Mesh m;
        m.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        m.indices = {0, 1, 2};
        save(dir, "triangle-raw.crt", crt::encodeMesh(m, 0, {}, plain(crt::ENTROPY_RAW)).bytes, written);
    }
    {  // closed sphere, every attribute kind, normals from positions
        crt::EncodeSettings s = plain(crt::ENTROPY_TUNSTALL);
        s.colorSteps = {2, 2, 2, 4};
        s.tags = {{"source", "icosphere"}, {"units", "m"}};
        save(dir, "sphere-tunstall.crt", crt::encodeMesh(sh::icosphere(1), 2, {}, s).bytes, written);
    }
    {  // the same in raw arrays, no parallelogram, bit counts per component
        crt::EncodeSettings s = plain(crt::ENTROPY_RAW);
        s.parallelogram = false;
        s.sharedBits = false;
        s.normals = crt::NormalChoice::Diff;
        s.colorChannels = 3;
        save(dir, "sphere-raw-diff.crt", crt::encodeMesh(sh::icosphere(1), 2, {}, s).bytes, written);
    }
    {  // a handle, normals only on the rim (a closed surface has none)
        crt::EncodeSettings s = plain(crt::ENTROPY_TUNSTALL);
        s.normals = crt::NormalChoice::Rim;
        s.uvs = false;
        save(dir, "torus-rim.crt", crt::encodeMesh(sh::torus(8, 6), 2, {}, s).bytes, written);
    }
    {  // border and hole, rim normals
        crt::EncodeSettings s = plain(crt::ENTROPY_RAW);
        s.normals = crt::NormalChoice::Rim;
        s.colors = false;
        save(dir, "grid-hole-rim.crt", crt::encodeMesh(sh::gridWithHole(6, 2), 2, {}, s).bytes, written);
    }
    {  // several components in several groups with properties
        sh::Mesh m = sh::icosphere(0);
        sh::Mesh b = sh::plateWithHandles(2);
        b.translate(3, 0, 0);
        m.append(b);
        std::vector<crt::MeshGroup> groups = {{20, {{"name", "ball"}}}, {m.faceCount(), {{"name", "plate"}, {"material", "steel"}}}};
        crt::EncodeSettings s = plain(crt::ENTROPY_TUNSTALL);
        s.normals = crt::NormalChoice::Diff;
        save(dir, "groups-tunstall.crt", crt::encodeMesh(m, 2, groups, s).bytes, written);
    }
    {  // faults a file may hold
        crt::EncodeSettings s = plain(crt::ENTROPY_RAW);
        s.normals = crt::NormalChoice::Diff;
        save(dir, "non-manifold.crt", crt::encodeMesh(sh::nonManifoldPatch(), 2, {}, s).bytes, written);
    }
    {  // a point set (no faces) and an extra attribute
        crt::MeshEncoder e;
        sh::Mesh m = sh::icosphere(0);
        e.setEntropy(crt::ENTROPY_RAW);
        e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 8});
        e.setNormals(m.normals.data(), m.vertexCount(), crt::DIFF, 8);
        std::vector<float> weight(m.vertexCount());
        for (size_t i = 0; i < weight.size(); ++i) weight[i] = float(i) * 0.25f;
        e.addGeneric("weight", weight.data(), m.vertexCount(), 1, {0.25f, 0});
        save(dir, "points.crt", e.encode(), written);
    }
    {  // extra attribute on a mesh, read and skipped by the exported decoder
        crt::MeshEncoder e;
        sh::Mesh m = sh::torus(6, 5);
        e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 12}, crt::SHARED_BITS);
        e.setTriangles(m.indices.data(), m.faceCount());
        e.addGeneric("uv", m.uvs.data(), m.vertexCount(), 2, {0.0f, 10}, crt::PARALLELOGRAM);
        e.addGeneric("temperature", m.colors.data(), m.vertexCount(), 4, {0.01f, 0}, 0);
        save(dir, "extra-attribute.crt", e.encode(), written);
    }
    return written;
}

}  // namespace crttool
