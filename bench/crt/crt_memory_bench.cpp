// Memory a crt decode takes beside its output arrays, and how long it takes:
// each case runs in a child process of its own, which builds or reads the
// stream, makes and touches the output arrays, then decodes through crt.h.
// "working" is the growth of the child's peak resident size during the
// decode (the decoder's own memory at its largest); "held" is what the heap
// still holds after the decode, before the decoder is destroyed; "bound" is
// what crt_decoder_info says a decode may take at most (working_bytes).
//
//   crt_memory_bench [--fan TRIANGLES ...] [FILE.crt ...]
//       --fan N: the 91-byte stream of an N-triangle fan (one single-symbol
//       Tunstall block of ADD_VERTEX, every bit count zero)
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "StreamBuilder.h"
#include "crt/include/crt.h"

namespace {

std::vector<uint8_t> fanStream(uint32_t triangles)
{
    crttest::StreamBuilder s;
    s.header(crt::ENTROPY_TUNSTALL, {{"position", crt::KIND_GENERIC, 1.0f, 3, crt::FMT_F32, crt::SHARED_BITS}},
             triangles + 2, triangles);
    s.groups({triangles}).u32(0).tunstallBlock({{crt::ADD_VERTEX, 255}}, triangles, {});
    s.bitStream(crttest::BitWriter());
    s.bitStream(crttest::BitWriter()).tunstallBlock({{0, 255}}, triangles + 2, {});
    return s.bytes;
}

double peakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double heapMB()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

int measure(const std::string& label, const std::vector<uint8_t>& stream)
{
    crt_decoder* decoder = nullptr;
    crt_mesh_info info{};
    info.struct_size = sizeof info;
    if (crt_decoder_create(stream.data(), stream.size(), &decoder) != CRT_OK ||
        crt_decoder_info(decoder, &info) != CRT_OK) {
        std::printf("%s: %s\n", label.c_str(), crt_last_error());
        return 1;
    }
    std::vector<std::vector<float>> arrays(4);
    const char* names[4] = {"position", "normal", "color", "uv"};
    for (uint32_t i = 0; i < info.attribute_count; ++i) {
        crt_attribute_info a{};
        a.struct_size = sizeof a;
        crt_decoder_attribute(decoder, i, &a);
        for (int k = 0; k < 4; ++k)
            if (std::strcmp(a.name, names[k]) == 0)
                arrays[size_t(k)].assign(size_t(info.vertex_count) * a.components, 0.0f);
    }
    std::vector<uint32_t> indices(size_t(info.face_count) * 3, 0);
    auto at = [&](int k) { return arrays[size_t(k)].empty() ? nullptr : arrays[size_t(k)].data(); };
    crt_outputs out{sizeof out, at(0), arrays[0].size(), indices.data(), indices.size(), at(1), arrays[1].size(),
                    at(2), arrays[2].size(), at(3), arrays[3].size()};
    double outputBytes = double(indices.size()) * 4;
    for (const auto& a : arrays)
        outputBytes += double(a.size()) * 4;

    const double peakBefore = peakMB(), heapBefore = heapMB();
    const auto t0 = std::chrono::steady_clock::now();
    const crt_status status = crt_decoder_decode(decoder, &out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double working = peakMB() - peakBefore, held = heapMB() - heapBefore;
    crt_decoder_destroy(decoder);
    if (status != CRT_OK) {
        std::printf("%s: %s\n", label.c_str(), crt_last_error());
        return 1;
    }
    const double faces = info.face_count ? double(info.face_count) : 1.0;
    std::printf("| %s | %u | %.1f | %.1f (%.1f B/triangle) | %.1f | %.1f | %.3f |\n", label.c_str(),
                info.face_count, outputBytes / (1024.0 * 1024.0), working, working * 1024.0 * 1024.0 / faces,
                double(info.working_bytes) / (1024.0 * 1024.0), held, seconds);
    return 0;
}

// Runs one case in a child, so that each starts from a fresh peak.
int inChild(const std::string& label, const std::vector<uint8_t>& stream)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const int result = measure(label, stream);
        std::fflush(stdout);
        _exit(result);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::printf("| stream | triangles | output MB | working MB (per triangle) | bound MB | held after decode MB | "
                "decode s |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fan" && i + 1 < argc) {
            const uint32_t n = uint32_t(std::strtoul(argv[++i], nullptr, 10));
            failures += inChild("fan of " + std::to_string(n), fanStream(n));
        } else {
            std::ifstream in(arg, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            if (bytes.empty()) {
                std::printf("%s: cannot read\n", arg.c_str());
                ++failures;
                continue;
            }
            failures += inChild(arg.substr(arg.find_last_of('/') + 1), bytes);
        }
    }
    return failures ? 1 : 0;
}
