// Writes the streams the WebAssembly decoder is checked on and what the
// native decoder makes of each:
//
//   crt_web_reference DIR
//   crt_web_reference --dragon-sized FILE
//
// The first adds to DIR the hand-made seed streams of the crt suite, two
// larger meshes from the encoder, a header whose counts no memory could hold
// and a valid stream of 91 bytes that makes a fan of a hundred million
// triangles, then
// decodes every DIR/NAME.crt (those already there too) into DIR/NAME.native:
// a first line "ok", "error MESSAGE", "no faces" or "too large" (more than
// 2^26 elements), then after "ok", for positions, indices, normals, colours
// and uvs in that order, a little-endian uint32 element count (0xffffffff:
// the stream has no such attribute) and the elements' bytes. The second
// writes a torus as large as the dragon scan (871,200 triangles) with
// normals, colours and uvs to FILE.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../crt/SeedStreams.h"
#include "../../crt/StreamBuilder.h"
#include "crt/Decoder.h"
#include "crt/MeshDecoder.h"
#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> encode(const crt::shapes::Mesh& m, crt::Entropy entropy, std::optional<crt::NormalMode> normals,
                            bool colors, bool uvs)
{
    crt::MeshEncoder e;
    e.setEntropy(entropy);
    e.setTriangles(m.indices.data(), m.faceCount());
    e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 16});
    if (normals)
        e.setNormals(m.normals.data(), m.vertexCount(), *normals, 12);
    if (colors)
        e.setColors(m.colors.data(), m.vertexCount(), 4, 4);
    if (uvs)
        e.addGeneric("uv", m.uvs.data(), m.vertexCount(), 2, {0.0f, 14});
    return e.encode();
}

void writeStreams(const fs::path& dir)
{
    const auto seeds = crttest::seedStreams();
    for (size_t k = 0; k < seeds.size(); ++k)
        writeFile(dir / ("hand-made-" + std::to_string(k) + ".crt"), seeds[k]);

    crt::shapes::Mesh sphere = crt::shapes::icosphere(4);
    writeFile(dir / "sphere-every-attribute.crt",
              encode(sphere, crt::ENTROPY_TUNSTALL, crt::FROM_POSITIONS, true, true));
    crt::shapes::Mesh torus = crt::shapes::torus(64, 32);
    writeFile(dir / "torus-positions-only.crt", encode(torus, crt::ENTROPY_RAW, std::nullopt, false, false));
    writeFile(dir / "torus-diff-normals.crt", encode(torus, crt::ENTROPY_RAW, crt::DIFF, false, true));

    crttest::StreamBuilder huge;
    huge.header(crt::ENTROPY_RAW, {{"position", crt::KIND_GENERIC, 1.0f, 3}}, 0x7fffffffu, 0x7fffffffu);
    writeFile(dir / "counts-beyond-any-memory.crt", huge.bytes);

    // One single-symbol Tunstall block of ADD_VERTEX, every position bit
    // count zero: a legitimate fan, whatever the count.
    constexpr uint32_t kFan = 100000000;
    crttest::StreamBuilder fan;
    fan.header(crt::ENTROPY_TUNSTALL, {{"position", crt::KIND_GENERIC, 1.0f, 3, crt::FMT_F32, crt::SHARED_BITS}},
               kFan + 2, kFan);
    fan.groups({kFan}).u32(0).tunstallBlock({{crt::ADD_VERTEX, 255}}, kFan, {});
    fan.bitStream(crttest::BitWriter());
    fan.bitStream(crttest::BitWriter()).tunstallBlock({{0, 255}}, kFan + 2, {});
    writeFile(dir / "fan-of-a-hundred-million-triangles.crt", fan.bytes);
}

struct Decoded {
    std::string outcome = "ok";
    // positions, indices, normals, colours, uvs: the elements' bytes, or
    // absent where the stream has no such attribute.
    std::vector<std::optional<std::vector<uint8_t>>> arrays;
};

// Decodes through the exported functions, each output sized to what decoding
// writes into it (the attribute's values per vertex).
Decoded decodeNatively(const std::vector<uint8_t>& bytes)
{
    constexpr uint64_t kMaxElements = uint64_t(1) << 26;
    Decoded d;
    void* handle = nullptr;
    try {
        float counts[2];
        handle = CreateDecoder(int(bytes.size()), bytes.data(), counts);
        auto* decoder = static_cast<crt::MeshDecoder*>(handle);
        const uint64_t NV = decoder->NV, NF = decoder->NF;
        const char* names[] = {"position", nullptr, "normal", "color", "uv"};  // null: the indices
        std::vector<uint64_t> lengths;
        uint64_t total = 0;
        for (const char* name : names) {
            uint64_t length = 3 * NF;
            if (name) {
                const auto found = decoder->attributes.find(name);
                if (found == decoder->attributes.end()) {
                    d.arrays.emplace_back();
                    lengths.push_back(0);
                    continue;
                }
                length = NV * uint64_t(found->second->outputWidth());
            }
            d.arrays.emplace_back(std::vector<uint8_t>());
            lengths.push_back(length);
            total += length;
        }
        if (NF == 0) {
            d.outcome = "no faces";
        } else if (total > kMaxElements) {
            d.outcome = "too large";
        } else {
            for (int k = 0; k < 5; ++k)
                if (d.arrays[k])
                    d.arrays[k]->resize(size_t(4 * lengths[k]));
            auto out = [&](int k) { return d.arrays[k] ? reinterpret_cast<float*>(d.arrays[k]->data()) : nullptr; };
            DecodeMesh(handle, out(0), reinterpret_cast<uint32_t*>(d.arrays[1]->data()), out(2), out(3), out(4));
        }
    } catch (const char* message) {
        d.outcome = std::string("error ") + message;
    }
    DestroyDecoder(handle);
    return d;
}

void writeReference(const fs::path& path, const Decoded& d)
{
    std::vector<uint8_t> out(d.outcome.begin(), d.outcome.end());
    out.push_back('\n');
    if (d.outcome == "ok") {
        for (const auto& array : d.arrays) {
            const uint32_t count = array ? uint32_t(array->size() / 4) : 0xffffffffu;
            for (int b = 0; b < 4; ++b)
                out.push_back(uint8_t(count >> (8 * b)));
            if (array)
                out.insert(out.end(), array->begin(), array->end());
        }
    }
    writeFile(path, out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--dragon-sized") == 0) {
        const crt::shapes::Mesh torus = crt::shapes::torus(660, 660);
        try {
            writeFile(argv[2], encode(torus, crt::ENTROPY_TUNSTALL, crt::DIFF, true, true));
        } catch (const std::exception& e) {
            std::printf("crt_web_reference: %s\n", e.what());
            return 1;
        }
        std::printf("%u triangles in %s\n", torus.faceCount(), argv[2]);
        return 0;
    }
    if (argc != 2) {
        std::printf("usage: crt_web_reference DIR | --dragon-sized FILE\n");
        return 2;
    }
    try {
        const fs::path dir = argv[1];
        writeStreams(dir);
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() != ".crt")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            fs::path reference = entry.path();
            writeReference(reference.replace_extension(".native"), decodeNatively(bytes));
            ++count;
        }
        std::printf("%d streams decoded natively in %s\n", count, argv[1]);
    } catch (const std::exception& e) {
        std::printf("crt_web_reference: %s\n", e.what());
        return 1;
    }
    return 0;
}
