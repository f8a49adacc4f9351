#include <climits>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "crt/Decoder.h"
#include "crt/Format.h"
#include "tools/crt-tool/Commands.h"
#include "tools/crt-tool/PlyWriter.h"
#include "tools/crt-tool/StreamLayout.h"

namespace crttool {
namespace {

struct DecoderDeleter {
    void operator()(void* d) const { DestroyDecoder(d); }
};

}  // namespace

int runDecode(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool ascii = false;
    for (const std::string& a : args) {
        if (a == "--ascii")
            ascii = true;
        else if (a.size() > 1 && a[0] == '-')
            throw std::runtime_error("unknown option '" + a + "'; try crt-tool --help");
        else
            files.push_back(a);
    }
    if (files.size() != 2) throw std::runtime_error("decode needs IN.crt and OUT.ply; try crt-tool --help");

    const std::vector<uint8_t> bytes = readFile(files[0]);
    if (bytes.size() > size_t(INT_MAX)) throw std::runtime_error(files[0] + " is larger than 2 GiB");
    // The layout walk refuses truncated files and tells the output sizes.
    const StreamLayout layout = readLayout(bytes.data(), bytes.size());
    if (layout.NF == 0) throw std::runtime_error(files[0] + " holds no faces (a point set); nothing to decode");

    DecodedMesh m;
    m.NV = layout.NV;
    m.NF = layout.NF;
    bool normals = false, colors = false;
    for (const Descriptor& d : layout.descriptors) {
        if (d.name == "position") m.positionComponents = d.components;
        if (d.name == "normal") normals = true;
        if (d.name == "color") colors = true;
        if (d.name == "uv") m.uvComponents = d.components;
    }
    // Sized by the last descriptor of each name, which the decoder keeps too.
    m.positions.resize(size_t(m.NV) * m.positionComponents);
    m.indices.resize(size_t(m.NF) * 3);
    if (normals) m.normals.resize(size_t(m.NV) * 3);
    if (colors) m.colors.resize(size_t(m.NV) * 4);
    m.uvs.resize(size_t(m.NV) * m.uvComponents);

    float counts[2] = {0, 0};
    std::unique_ptr<void, DecoderDeleter> decoder(CreateDecoder(static_cast<int>(bytes.size()), bytes.data(), counts));
    const int faces = DecodeMesh(decoder.get(), m.positions.empty() ? nullptr : m.positions.data(), m.indices.data(),
                                 normals ? m.normals.data() : nullptr, colors ? m.colors.data() : nullptr,
                                 m.uvs.empty() ? nullptr : m.uvs.data());
    if (faces < 0) throw std::runtime_error(files[0] + ": the decoder found no faces");
    writePly(files[1], m, ascii);
    std::cout << files[1] << ": " << m.NV << " vertices, " << m.NF << " faces\n";
    return 0;
}

}  // namespace crttool
