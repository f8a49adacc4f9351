// Decode speed of crt against Draco on the same meshes at comparable
// quantisation (14-bit positions, 10-bit normals), one thread. Each run times
// create + decode + destroy into float position and normal arrays and 32-bit
// indices; runs of the codecs alternate so that both see the same machine.
// Beside them, a plain memory copy of the decoded arrays into the same output
// arrays: the rate at which the decoder's output could be written at best.
// Times are taken both on the wall clock and as the thread's CPU time, which
// other work on a shared machine disturbs far less.
//
//   crt_decode_bench [--runs N] [MESH.ply ...]   (default: the meshes of fetch-meshes.sh)
//   crt_decode_bench --smoke                     (a small procedural mesh, 3 runs)
//   crt_decode_bench --write-streams DIR [MESH.ply ...]
//       writes the streams instead of timing them, as DIR/MESH-FORM-CODEC.drc
//       or .crt (FORM: positions or normals), for the race in Node (bench/web)
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DracoCodec.h"
#include "MeshLoad.h"
#include "crt/Decoder.h"
#include "crt/MeshEncoder.h"

namespace {

using crt::shapes::Mesh;

struct Codec {
    std::string name;
    size_t bytes = 0;             // stream size; 0 for the memory copy
    double encodeSeconds = -1.0;  // negative: not an encoder
    std::function<uint32_t()> decode;  // returns the face count
    std::vector<double> wall, cpu;
};

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<uint8_t> crtEncode(const Mesh& m, crt::Entropy entropy, crt::NormalMode mode, bool search,
                               crt::NormalMode& written) {
    crt::MeshEncoder e;
    e.setSearch(search);
    e.setEntropy(entropy);
    e.setTriangles(m.indices.data(), m.faceCount());
    e.setPositions(m.positions.data(), m.vertexCount(), {0.0f, 14});
    if (!m.normals.empty()) e.setNormals(m.normals.data(), m.vertexCount(), mode, 10);
    std::vector<uint8_t> out = e.encode();
    written = m.normals.empty() ? mode : e.report().normalMode;
    return out;
}

uint32_t crtDecode(const std::vector<uint8_t>& stream, crtbench::DecodeArrays& out) {
    float counts[2];
    void* decoder = CreateDecoder(static_cast<int>(stream.size()), stream.data(), counts);
    const size_t NF = size_t(counts[0]), NV = size_t(counts[1]);
    out.positions.resize(NV * 3);
    out.normals.resize(NV * 3);
    out.indices.resize(NF * 3);
    // The normals output is ignored for a stream without normals.
    const int faces = DecodeMesh(decoder, out.positions.data(), out.indices.data(), out.normals.data(), nullptr, nullptr);
    DestroyDecoder(decoder);
    return faces < 0 ? 0 : uint32_t(faces);
}

// Where --write-streams puts the streams; empty: they are timed.
std::string streamFolder;

void writeStream(const std::string& label, const Mesh& mesh, const Codec& codec, const void* bytes) {
    std::string name = std::filesystem::path(label).stem().string() + (mesh.normals.empty() ? "-positions-" : "-normals-");
    for (const char c : codec.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    name.erase(std::unique(name.begin(), name.end(), [](char a, char b) { return a == '-' && b == '-'; }), name.end());
    const std::string path = streamFolder + "/" + name + (codec.name.rfind("draco", 0) == 0 ? ".drc" : ".crt");
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(bytes), std::streamsize(codec.bytes));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
    std::printf("  %s\n", path.c_str());
}

// The bytes a decode writes: positions, indices and, with normals, normals.
size_t outputBytes(const Mesh& mesh) {
    return (size_t(mesh.vertexCount()) * (mesh.normals.empty() ? 3 : 6) + size_t(mesh.faceCount()) * 3) * 4;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void benchmark(const std::string& label, const Mesh& mesh, int runs) {
    const uint32_t NV = mesh.vertexCount(), NF = mesh.faceCount();
    std::printf("\n%s: %u vertices, %u triangles, %s", label.c_str(), NV, NF,
                mesh.normals.empty() ? "positions only" : "positions and normals");
    if (streamFolder.empty())
        std::printf("; %d runs each, one thread", runs);
    std::printf("\n");

    std::vector<Codec> codecs;
    // Every codec decodes into its own arrays, reused across runs as a caller would.
    static crtbench::DecodeArrays dracoOut, crtOut, copySource;
    double t0 = wallSeconds();
    const std::vector<char> draco = crtbench::dracoEncode(mesh, 14, 10, 5);
    codecs.push_back({"draco speed 5", draco.size(), wallSeconds() - t0,
                      [&draco] { return crtbench::dracoDecode(draco, dracoOut); }, {}, {}});

    // The encoder searches for the smallest stream unless told not to.
    struct Variant {
        const char* name;
        crt::Entropy entropy;
        crt::NormalMode mode;
        bool search;
    };
    std::vector<Variant> variants = {{"crt tunstall", crt::ENTROPY_TUNSTALL, crt::DIFF, true},
                                     {"crt tunstall, no search", crt::ENTROPY_TUNSTALL, crt::DIFF, false},
                                     {"crt raw", crt::ENTROPY_RAW, crt::DIFF, true}};
    if (!mesh.normals.empty()) {
        variants = {{"crt tunstall, normals diff", crt::ENTROPY_TUNSTALL, crt::DIFF, true},
                    {"crt tunstall, normals diff, no search", crt::ENTROPY_TUNSTALL, crt::DIFF, false},
                    {"crt raw, normals diff", crt::ENTROPY_RAW, crt::DIFF, true},
                    {"crt tunstall, normals from positions", crt::ENTROPY_TUNSTALL, crt::FROM_POSITIONS, true}};
    }
    static std::vector<std::vector<uint8_t>> streams;
    streams.clear();
    streams.reserve(variants.size());
    for (const Variant& v : variants) {
        crt::NormalMode written;
        t0 = wallSeconds();
        streams.push_back(crtEncode(mesh, v.entropy, v.mode, v.search, written));
        const double seconds = wallSeconds() - t0;
        if (written != v.mode) {
            std::printf("  (%s: a vertex has no usable estimate, the encoder stores diff normals; left out)\n", v.name);
            streams.pop_back();
            continue;
        }
        const std::vector<uint8_t>* s = &streams.back();
        codecs.push_back({v.name, s->size(), seconds, [s] { return crtDecode(*s, crtOut); }, {}, {}});
    }
    if (!streamFolder.empty()) {
        writeStream(label, mesh, codecs[0], draco.data());
        for (size_t k = 1; k < codecs.size(); ++k)
            writeStream(label, mesh, codecs[k], streams[k - 1].data());
        return;
    }

    // The copy's source holds what the first crt stream decodes to.
    crtDecode(streams.front(), copySource);
    codecs.push_back({"memory copy of the output", 0, -1.0, [] {
                          crtOut.positions.resize(copySource.positions.size());
                          crtOut.normals.resize(copySource.normals.size());
                          crtOut.indices.resize(copySource.indices.size());
                          std::memcpy(crtOut.positions.data(), copySource.positions.data(), crtOut.positions.size() * 4);
                          std::memcpy(crtOut.normals.data(), copySource.normals.data(), crtOut.normals.size() * 4);
                          std::memcpy(crtOut.indices.data(), copySource.indices.data(), crtOut.indices.size() * 4);
                          return uint32_t(crtOut.indices.size() / 3);
                      }, {}, {}});

    for (Codec& c : codecs) {
        if (c.decode() != NF) throw std::runtime_error(c.name + " decoded a different face count");  // warm-up and check
        c.wall.reserve(size_t(runs));
        c.cpu.reserve(size_t(runs));
    }
    for (int r = 0; r < runs; ++r) {
        for (Codec& c : codecs) {
            const double w0 = wallSeconds(), c0 = threadSeconds();
            c.decode();
            const double c1 = threadSeconds(), w1 = wallSeconds();
            c.wall.push_back(w1 - w0);
            c.cpu.push_back(c1 - c0);
        }
    }

    const Codec& d = codecs[0];
    std::printf("  %-40s %9s %8s %9s %12s %12s %12s %22s\n", "codec", "bytes", "bits/vx", "encode s", "best Mtri/s",
                "median Mtri/s", "cpu Mtri/s", "vs draco (b/m/cpu)");
    for (const Codec& c : codecs) {
        const std::string bytes = c.bytes ? std::to_string(c.bytes) : "-";
        char bits[16] = "-", encode[16] = "-";
        if (c.bytes) std::snprintf(bits, sizeof bits, "%.2f", c.bytes * 8.0 / NV);
        if (c.encodeSeconds >= 0) std::snprintf(encode, sizeof encode, "%.3f", c.encodeSeconds);
        std::printf("  %-40s %9s %8s %9s %12.1f %12.1f %12.1f %8.2fx/%.2fx/%.2fx\n", c.name.c_str(), bytes.c_str(), bits,
                    encode, NF / best(c.wall) / 1e6, NF / median(c.wall) / 1e6, NF / best(c.cpu) / 1e6,
                    best(d.wall) / best(c.wall), median(d.wall) / median(c.wall), best(d.cpu) / best(c.cpu));
    }
    // The first crt codec's output rate against the copy of the same bytes.
    const Codec& first = codecs[1];
    const Codec& copy = codecs.back();
    const double megabytes = double(outputBytes(mesh)) / 1e6;
    std::printf("  output %.1f MB: %s writes %.0f MB/s (cpu best), the memory copy %.0f MB/s: %.1f %% of it"
                " (wall median %.1f %%)\n",
                megabytes, first.name.c_str(), megabytes / best(first.cpu), megabytes / best(copy.cpu),
                100.0 * best(copy.cpu) / best(first.cpu), 100.0 * median(copy.wall) / median(first.wall));
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 25;
    bool smoke = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--smoke") {
            smoke = true;
        } else if (a == "--write-streams" && i + 1 < argc) {
            streamFolder = argv[++i];
            std::filesystem::create_directories(streamFolder);
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--help") {
            std::printf("usage: crt_decode_bench [--runs N | --write-streams DIR] [MESH ...] | --smoke\n");
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "crt_decode_bench: unknown option '%s'\n", a.c_str());
            return 2;
        } else {
            files.push_back(a);
        }
    }
    try {
        if (smoke) {
            benchmark("procedural torus (smoke run)", crt::shapes::torus(60, 30), 3);
            return 0;
        }
        if (files.empty()) {
            for (const char* name : {"dragon", "snowden", "bunny"}) {
                const std::string path = std::string("bench/crt/.data/") + name + ".ply";
                if (std::filesystem::exists(path))
                    files.push_back(path);
                else
                    std::printf("%s missing: run bench/crt/fetch-meshes.sh\n", path.c_str());
            }
        }
        for (const std::string& f : files) {
            Mesh mesh = crtbench::loadMesh(f);
            mesh.normals.clear();
            benchmark(f, mesh, runs);
            crtbench::computeNormals(mesh);
            benchmark(f, mesh, runs);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crt_decode_bench: %s\n", e.what());
        return 1;
    } catch (const char* message) {
        std::fprintf(stderr, "crt_decode_bench: decoder: %s\n", message);
        return 1;
    }
    return 0;
}
