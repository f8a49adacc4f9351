#include <charconv>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "tools/crt-tool/Commands.h"
#include "crt/EncodeSettings.h"
#include "tools/crt-tool/MeshImport.h"

namespace crttool {
namespace {

int intArg(const std::string& option, const std::string& text, int lo, int hi) {
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        throw std::runtime_error(option + " needs a whole number within " + std::to_string(lo) + ".." +
                                 std::to_string(hi) + ", got '" + text + "'");
    return v;
}

float stepArg(const std::string& option, const std::string& text) {
    size_t used = 0;
    float v = 0.0f;
    try {
        v = std::stof(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !(v > 0.0f)) throw std::runtime_error(option + " needs a positive number, got '" + text + "'");
    return v;
}

bool onOff(const std::string& option, const std::string& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw std::runtime_error(option + " takes on or off, got '" + text + "'");
}

}  // namespace

int runEncode(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    crt::EncodeSettings s;
    ImportOptions import;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw std::runtime_error(a + " needs a value");
            return args[++i];
        };
        if (a == "--merge") {
            import.merge = true;
        } else if (a == "--pos-bits") {
            s.position.bits = intArg(a, value(), 1, 26);
        } else if (a == "--pos-step") {
            s.position.step = stepArg(a, value());
        } else if (a == "--normals") {
            const std::string& m = value();
            if (m == "none") s.normals = crt::NormalChoice::None;
            else if (m == "diff") s.normals = crt::NormalChoice::Diff;
            else if (m == "positions") s.normals = crt::NormalChoice::Positions;
            else if (m == "rim") s.normals = crt::NormalChoice::Rim;
            else throw std::runtime_error("--normals takes none, diff, positions or rim, got '" + m + "'");
        } else if (a == "--normal-bits") {
            s.normalBits = intArg(a, value(), 2, 24);
        } else if (a == "--no-colors") {
            s.colors = false;
        } else if (a == "--color-channels") {
            s.colorChannels = intArg(a, value(), 3, 4);
        } else if (a == "--color-steps") {
            const std::string& list = value();
            size_t start = 0;
            for (int k = 0; k < 4; ++k) {
                const size_t comma = list.find(',', start);
                if ((k < 3) != (comma != std::string::npos))
                    throw std::runtime_error("--color-steps needs four numbers R,G,B,A, got '" + list + "'");
                s.colorSteps[k] = intArg(a, list.substr(start, comma == std::string::npos ? std::string::npos : comma - start), 1, 255);
                start = comma + 1;
            }
        } else if (a == "--no-uvs") {
            s.uvs = false;
        } else if (a == "--uv-bits") {
            s.uv.bits = intArg(a, value(), 1, 26);
        } else if (a == "--uv-step") {
            s.uv.step = stepArg(a, value());
        } else if (a == "--entropy") {
            const std::string& e = value();
            if (e == "raw") s.entropy = crt::ENTROPY_RAW;
            else if (e == "tunstall") s.entropy = crt::ENTROPY_TUNSTALL;
            else throw std::runtime_error("--entropy takes raw or tunstall, got '" + e + "'");
        } else if (a == "--parallelogram") {
            s.parallelogram = onOff(a, value());
        } else if (a == "--shared-bits") {
            s.sharedBits = onOff(a, value());
        } else if (a == "--search") {
            s.search = onOff(a, value());
        } else if (a == "--tag") {
            const std::string& kv = value();
            const size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0) throw std::runtime_error("--tag needs KEY=VALUE, got '" + kv + "'");
            s.tags.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
        } else if (a.size() > 1 && a[0] == '-') {
            throw std::runtime_error("unknown option '" + a + "'; try crt-tool --help");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) throw std::runtime_error("encode needs IN and OUT; try crt-tool --help");

    import.wantNormals = s.normals != crt::NormalChoice::None && s.normals != crt::NormalChoice::Auto;
    const ImportedMesh in = importMesh(files[0], import);
    const crt::EncodeResult result = crt::encodeMesh(in.mesh, in.uvComponents, in.groups, s);

    std::ofstream out(files[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(result.bytes.data()), static_cast<std::streamsize>(result.bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + files[1]);
    const uint32_t NV = in.mesh.vertexCount();
    std::cout << files[1] << ": " << NV << " vertices, " << in.mesh.faceCount() << " faces, " << result.bytes.size()
              << " bytes";
    if (NV > 0) std::cout << " (" << double(result.bytes.size()) * 8.0 / NV << " bits per vertex)";
    std::cout << "\n";
    const crt::EncodeReport& r = result.report;
    if (r.unusableNormalEstimates > 0)
        std::cout << "normals stored as diff: " << r.unusableNormalEstimates
                  << " vertices have no normal estimate (all their triangles have zero area after quantisation)\n";
    return 0;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return bytes;
}

}  // namespace crttool
