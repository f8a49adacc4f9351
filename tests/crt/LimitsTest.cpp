// Decoding under limits through crt.h: a tiny stream that claims a huge mesh
// is refused at create, at once and in little memory; a real-sized mesh
// decodes under the safe defaults within what crt_decoder_info promised, and
// its working memory is given back when the decode ends.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "CarefulCaller.h"
#include "StreamBuilder.h"
#include "crt/encode/Shapes.h"
#include "crt/include/crt.h"

namespace {

using crttest::sized;

// A fan of `triangles` triangles: one single-symbol Tunstall block of
// ADD_VERTEX for the topology, every position bit count zero. A valid stream
// of 91 bytes whatever the count.
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

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

size_t heapBytes()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Runs body in a child process, whose peak resident size starts from what it
// inherits; the child's exit status is body's result.
int inChild(int (*body)())
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

TEST(CLimits, AHundredMillionTrianglesInNinetyOneBytesAreRefusedAtCreateAtOnceInLittleMemory)
{
    const std::vector<uint8_t> fan = fanStream(100000000);
    ASSERT_EQ(fan.size(), 91u);

    // Without limits the header is read, and info says what a decode would
    // take before anything is spent on it.
    crt_decoder* decoder = nullptr;
    ASSERT_EQ(crt_decoder_create(fan.data(), fan.size(), &decoder), CRT_OK);
    auto info = sized<crt_mesh_info>();
    ASSERT_EQ(crt_decoder_info(decoder, &info), CRT_OK);
    EXPECT_EQ(info.output_bytes, 12ull * 100000000 + 12ull * 100000002);  // indices and positions
    EXPECT_GT(info.working_bytes, 40ull * 100000000);
    crt_decoder_destroy(decoder);

    // Under the safe defaults, and under each limit alone: refused with the
    // limit named, in well under a second and a few MB.
    static std::vector<uint8_t> stream;
    stream = fan;
    const int refused = inChild([] {
        const crt_limits safe = CRT_LIMITS_DEFAULT_SAFE;
        crt_limits onlyBytes = sized<crt_limits>(), onlyFaces = sized<crt_limits>();
        onlyBytes.max_bytes = 64 << 20;
        onlyFaces.max_faces = 1000000;
        const struct {
            const crt_limits* limits;
            const char* message;
        } cases[] = {{&safe, "The crt stream needs 100000002 vertices; the limit is 16777216."},
                     {&onlyBytes, "bytes of output and working memory; the limit is 67108864."},
                     {&onlyFaces, "The crt stream needs 100000000 faces; the limit is 1000000."}};
        const long before = peakKiB();
        const auto start = std::chrono::steady_clock::now();
        for (const auto& c : cases) {
            crt_decoder* d = reinterpret_cast<crt_decoder*>(&stream);
            if (crt_decoder_create_limited(stream.data(), stream.size(), c.limits, &d) != CRT_LIMIT || d)
                return 1;
            if (!std::strstr(crt_last_error(), c.message))
                return 2;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > 0.25)
            return 3;
        return peakKiB() - before > 4096 ? 4 : 0;
    });
    EXPECT_EQ(refused, 0) << "1: not refused, 2: another message, 3: slow, 4: more than 4 MB";
}

TEST(CLimits, ARealSizedMeshDecodesUnderTheSafeDefaultsWithinWhatInfoPromised)
{
    // As large as the dragon scan (871k triangles), with every output.
    static std::vector<uint8_t> stream;
    {
        const crt::shapes::Mesh m = crt::shapes::torus(660, 660);
        ASSERT_EQ(m.faceCount(), 871200u);
        const crt_mesh mesh{sizeof(crt_mesh), m.vertexCount(), m.faceCount(), m.positions.data(), m.indices.data(),
                            m.normals.data(),  m.colors.data(),  4,            m.uvs.data(),      2};
        crt_encode_options options;
        ASSERT_EQ(crt_encode_options_init(&options, sizeof options), CRT_OK);
        options.search = 0;
        options.normals = CRT_NORMALS_POSITIONS;
        uint8_t* data = nullptr;
        size_t size = 0;
        ASSERT_EQ(crt_encode(&mesh, &options, &data, &size), CRT_OK) << crt_last_error();
        stream.assign(data, data + size);
        crt_free(data);
    }
    const int result = inChild([] {
        const crt_limits safe = CRT_LIMITS_DEFAULT_SAFE;
        crt_decoder* decoder = nullptr;
        auto info = sized<crt_mesh_info>();
        if (crt_decoder_create_limited(stream.data(), stream.size(), &safe, &decoder) != CRT_OK ||
            crt_decoder_info(decoder, &info) != CRT_OK)
            return 1;
        const size_t NV = info.vertex_count, NF = info.face_count;
        std::vector<float> positions(NV * 3, 1), normals(NV * 3, 1), colors(NV * 4, 1), uvs(NV * 2, 1);
        std::vector<uint32_t> indices(NF * 3, 1);  // touched: resident before the decode
        if (info.output_bytes != 4 * (indices.size() + positions.size() + normals.size() + colors.size() + uvs.size()))
            return 2;
        const crt_outputs out{sizeof out,     positions.data(), positions.size(), indices.data(), indices.size(),
                              normals.data(), normals.size(),   colors.data(),    colors.size(),  uvs.data(),
                              uvs.size()};
        const long before = peakKiB();
        const size_t heapBefore = heapBytes();
        if (crt_decoder_decode(decoder, &out) != CRT_OK)
            return 3;
#if !defined(__SANITIZE_ADDRESS__)  // its shadow memory grows with every allocation
        if (uint64_t(peakKiB() - before) << 10 > info.working_bytes)
            return 5;
#else
        (void)before;
#endif
        // The decoder keeps nothing of the decode, not until it is destroyed.
        if (heapBytes() > heapBefore + (1 << 20))
            return 4;
        crt_decoder_destroy(decoder);
        return 0;
    });
    EXPECT_EQ(result, 0) << "1: refused, 2: output_bytes wrong, 3: decode failed, 4: memory held after the decode, "
                            "5: the decode took more than working_bytes";
}

}  // namespace
