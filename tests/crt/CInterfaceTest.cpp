// crt.h from a C caller's side: capacities, calls outside the normal path,
// decoders on several threads, every encoder option through a round trip, and
// failures (allocation included) that come back as statuses.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CarefulCaller.h"
#include "RoundTripSupport.h"
#include "SeedStreams.h"
#include "crt/ColorAttr.h"
#include "crt/MeshDecoder.h"
#include "crt/NormalAttr.h"
#include "crt/include/crt.h"

namespace crt::roundtrip {
namespace {

constexpr float kUnwritten = -12345.0f;

std::vector<uint8_t> encodeC(const shapes::Mesh& m, const crt_encode_options* options)
{
    const crt_mesh mesh{sizeof(crt_mesh), m.vertexCount(), m.faceCount(), m.positions.data(), m.indices.data(), m.normals.data(),
                        m.colors.data(), 4, m.uvs.data(), 2};
    uint8_t* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(crt_encode(&mesh, options, &data, &size), CRT_OK) << crt_last_error();
    std::vector<uint8_t> bytes(data, data + size);
    crt_free(data);
    return bytes;
}

// A decode through crt.h with every array sized from the attribute queries.
struct CDecoded {
    Decoded mesh;
    crt_status status = CRT_OK;
};

CDecoded decodeC(const std::vector<uint8_t>& bytes)
{
    CDecoded d;
    crt_decoder* decoder = nullptr;
    auto info = crttest::sized<crt_mesh_info>();
    d.status = crt_decoder_create(bytes.data(), bytes.size(), &decoder);
    if (d.status == CRT_OK)
        d.status = crt_decoder_info(decoder, &info);
    if (d.status != CRT_OK)
        return d;
    Decoded& m = d.mesh;
    m.NV = info.vertex_count;
    m.NF = info.face_count;
    m.indices.assign(size_t(m.NF) * 3, 0xDEADBEEF);
    m.positions.assign(size_t(m.NV) * 3, kUnwritten);
    for (uint32_t i = 0; i < info.attribute_count; ++i) {
        auto a = crttest::sized<crt_attribute_info>();
        EXPECT_EQ(crt_decoder_attribute(decoder, i, &a), CRT_OK);
        const std::string name = a.name;
        const size_t floats = size_t(m.NV) * a.components;
        if (name == "normal") m.normals.assign(floats, kUnwritten);
        if (name == "color") m.colors.assign(floats, kUnwritten);
        if (name == "uv") m.uvs.assign(floats, kUnwritten);
    }
    auto orNull = [](std::vector<float>& v) { return v.empty() ? nullptr : v.data(); };
    const crt_outputs out{sizeof(crt_outputs), orNull(m.positions), m.positions.size(), m.indices.data(), m.indices.size(),
                          orNull(m.normals),   m.normals.size(),   orNull(m.colors), m.colors.size(),
                          orNull(m.uvs),       m.uvs.size()};
    d.status = crt_decoder_decode(decoder, &out);
    crt_decoder_destroy(decoder);
    return d;
}

TEST(CInterface, CapacityOneElementShortIsRefusedBeforeAnythingIsWritten)
{
    const shapes::Mesh m = shapes::torus(12, 8);
    const std::vector<uint8_t> bytes = encodeC(m, nullptr);
    crt_decoder* decoder = nullptr;
    ASSERT_EQ(crt_decoder_create(bytes.data(), bytes.size(), &decoder), CRT_OK);
    const size_t NV = m.vertexCount(), NF = m.faceCount();
    // In name order, with what each writes per vertex.
    const char* names[] = {"color", "normal", "position", "uv"};
    const uint32_t widths[] = {4, 3, 3, 2};
    const crt_attribute_kind kinds[] = {CRT_KIND_COLOR, CRT_KIND_NORMAL, CRT_KIND_GENERIC, CRT_KIND_GENERIC};
    auto info = crttest::sized<crt_mesh_info>();
    ASSERT_EQ(crt_decoder_info(decoder, &info), CRT_OK);
    EXPECT_EQ(info.vertex_count, NV);
    EXPECT_EQ(info.face_count, NF);
    ASSERT_EQ(info.attribute_count, 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        auto a = crttest::sized<crt_attribute_info>();
        ASSERT_EQ(crt_decoder_attribute(decoder, i, &a), CRT_OK);
        EXPECT_STREQ(a.name, names[i]);
        EXPECT_EQ(a.components, widths[i]);
        EXPECT_EQ(a.kind, kinds[i]);
        EXPECT_EQ(a.type, CRT_FLOAT32);
    }

    std::vector<float> positions(NV * 3), normals(NV * 3), colors(NV * 4), uvs(NV * 2);
    std::vector<uint32_t> indices(NF * 3);
    const crt_outputs exact{sizeof(crt_outputs), positions.data(), positions.size(), indices.data(), indices.size(),
                            normals.data(),   normals.size(),   colors.data(),  colors.size(),
                            uvs.data(),       uvs.size()};
    // Each capacity one short in turn: refused, naming the array, with every
    // array untouched.
    size_t crt_outputs::* capacities[] = {&crt_outputs::positions_capacity, &crt_outputs::indices_capacity,
                                          &crt_outputs::normals_capacity, &crt_outputs::colors_capacity,
                                          &crt_outputs::uvs_capacity};
    const char* arrays[] = {"positions", "indices", "normals", "colors", "uvs"};
    for (int k = 0; k < 5; ++k) {
        for (auto* v : {&positions, &normals, &colors, &uvs})
            std::fill(v->begin(), v->end(), kUnwritten);
        std::fill(indices.begin(), indices.end(), 0xDEADBEEF);
        crt_outputs shortOne = exact;
        shortOne.*capacities[k] -= 1;
        EXPECT_EQ(crt_decoder_decode(decoder, &shortOne), CRT_CAPACITY) << arrays[k];
        const size_t needed = exact.*capacities[k];
        EXPECT_EQ(std::string(crt_last_error()), "The " + std::string(arrays[k]) + " array holds " +
                                                     std::to_string(needed - 1) + " elements; the mesh needs " +
                                                     std::to_string(needed) + ".");
        for (auto* v : {&positions, &normals, &colors, &uvs})
            EXPECT_EQ(*v, std::vector<float>(v->size(), kUnwritten)) << arrays[k];
        EXPECT_EQ(indices, std::vector<uint32_t>(NF * 3, 0xDEADBEEF)) << arrays[k];
    }
    // Exact capacities decode, and an absent array needs none.
    EXPECT_EQ(crt_decoder_decode(decoder, &exact), CRT_OK);
    EXPECT_STREQ(crt_last_error(), "");
    crt_outputs someNull = exact;
    someNull.normals = nullptr;
    someNull.uvs = nullptr;
    someNull.normals_capacity = someNull.uvs_capacity = 0;
    std::vector<float> again(NV * 3);
    someNull.positions = again.data();
    EXPECT_EQ(crt_decoder_decode(decoder, &someNull), CRT_OK);
    EXPECT_EQ(again, positions);
    crt_decoder_destroy(decoder);
}

TEST(CInterface, CallsOutsideTheNormalPathGiveAStatusAndAMessage)
{
    int somewhere = 0;
    crt_decoder* decoder = reinterpret_cast<crt_decoder*>(&somewhere);  // a failure must leave null
    const uint8_t notCrt[] = {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(crt_decoder_create(notCrt, sizeof notCrt, &decoder), CRT_NOT_CRT);
    EXPECT_EQ(decoder, nullptr);
    EXPECT_STREQ(crt_last_error(), "Not a crt file.");
    EXPECT_EQ(crt_decoder_create(notCrt, 0, &decoder), CRT_TRUNCATED);  // an empty block, not an unbounded one
    EXPECT_EQ(crt_decoder_create(nullptr, 10, &decoder), CRT_INVALID_ARGUMENT);
    EXPECT_EQ(crt_decoder_create(notCrt, sizeof notCrt, nullptr), CRT_INVALID_ARGUMENT);
    auto info = crttest::sized<crt_mesh_info>();
    EXPECT_EQ(crt_decoder_info(nullptr, &info), CRT_INVALID_ARGUMENT);
    EXPECT_EQ(crt_decoder_decode(nullptr, nullptr), CRT_INVALID_ARGUMENT);
    crt_decoder_destroy(nullptr);
    for (int s = CRT_OK; s <= CRT_INTERNAL + 1; ++s)
        EXPECT_GT(std::strlen(crt_status_message(crt_status(s))), 0u);
    EXPECT_STREQ(crt_status_message(CRT_CORRUPT), "Corrupt crt stream.");
    EXPECT_EQ(std::string(crt_version()), std::to_string(CRT_VERSION_MAJOR) + "." +
                                              std::to_string(CRT_VERSION_MINOR) + "." +
                                              std::to_string(CRT_VERSION_PATCH));

    const std::vector<uint8_t> square = crttest::seedStreams().at(0);
    ASSERT_EQ(crt_decoder_create(square.data(), square.size(), &decoder), CRT_OK);
    auto a = crttest::sized<crt_attribute_info>();
    EXPECT_EQ(crt_decoder_attribute(decoder, 3, &a), CRT_INVALID_ARGUMENT);  // three attributes
    // Structs carry their size: one left unset is refused and not written; a
    // later header's larger struct keeps the fields this library lacks.
    crt_mesh_info unset{};
    unset.vertex_count = 99;
    EXPECT_EQ(crt_decoder_info(decoder, &unset), CRT_INVALID_ARGUMENT);
    EXPECT_EQ(unset.vertex_count, 99u);
    struct {
        crt_mesh_info info;
        uint64_t later;
    } grown{};
    grown.info.struct_size = sizeof grown;
    grown.later = 77;
    EXPECT_EQ(crt_decoder_info(decoder, &grown.info), CRT_OK);
    EXPECT_EQ(grown.info.vertex_count, 4u);
    EXPECT_EQ(grown.info.struct_size, sizeof grown);
    EXPECT_EQ(grown.later, 77u);
    std::vector<float> positions(12, kUnwritten);
    auto out = crttest::sized<crt_outputs>();
    out.positions = positions.data();
    out.positions_capacity = positions.size();
    EXPECT_EQ(crt_decoder_decode(decoder, &out), CRT_INVALID_ARGUMENT);  // no indices
    EXPECT_STREQ(crt_last_error(), "crt_decoder_decode: indices is null.");
    EXPECT_EQ(positions, std::vector<float>(12, kUnwritten));
    crt_decoder_destroy(decoder);

    // Points without faces: counted, never decoded.
    const shapes::Mesh tri = shapes::torus(3, 3);
    const crt_mesh points{sizeof(crt_mesh), tri.vertexCount(), 0, tri.positions.data(), nullptr, nullptr, nullptr, 0, nullptr, 0};
    uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_EQ(crt_encode(&points, nullptr, &data, &size), CRT_OK);
    ASSERT_EQ(crt_decoder_create(data, size, &decoder), CRT_OK);
    ASSERT_EQ(crt_decoder_info(decoder, &info), CRT_OK);
    EXPECT_EQ(info.vertex_count, 9u);
    uint32_t index = 7;
    out.indices = &index;
    out.indices_capacity = 1;
    EXPECT_EQ(crt_decoder_decode(decoder, &out), CRT_NO_FACES);
    EXPECT_EQ(index, 7u);
    crt_decoder_destroy(decoder);
    crt_free(data);
}

TEST(CInterface, DecodersOnSeveralThreadsAreIndependent)
{
    // Two meshes and two damaged streams, each decoded over and over on a
    // thread of its own: every thread keeps getting its own result and its
    // own last message.
    const std::vector<uint8_t> torus = encodeC(shapes::torus(24, 12), nullptr);
    const std::vector<uint8_t> sphere = encodeC(shapes::icosphere(2), nullptr);
    const std::vector<uint8_t> cut(torus.begin(), torus.begin() + long(torus.size() / 2));
    std::vector<uint8_t> notCrt = sphere;
    notCrt[0] ^= 0xFF;
    const std::vector<const std::vector<uint8_t>*> streams = {&torus, &sphere, &cut, &notCrt};
    std::vector<CDecoded> alone;
    for (const auto* s : streams)
        alone.push_back(decodeC(*s));
    ASSERT_EQ(alone[0].status, CRT_OK);
    ASSERT_EQ(alone[1].status, CRT_OK);
    ASSERT_EQ(alone[2].status, CRT_TRUNCATED);
    ASSERT_EQ(alone[3].status, CRT_NOT_CRT);
    const std::string messages[] = {"", "", "Truncated crt stream.", "Not a crt file."};

    std::vector<int> mismatches(streams.size(), 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < streams.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 40; ++round) {
                const CDecoded d = decodeC(*streams[t]);
                const bool same = d.status == alone[t].status && crt_last_error() == messages[t] &&
                                  d.mesh.positions == alone[t].mesh.positions &&
                                  d.mesh.indices == alone[t].mesh.indices && d.mesh.normals == alone[t].mesh.normals;
                mismatches[t] += same ? 0 : 1;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(mismatches, std::vector<int>(streams.size(), 0));
}

// Input vertex nearest to each decoded vertex; the mesh's vertices are far
// apart compared with any quantisation step used here.
std::vector<uint32_t> nearestInputVertices(const shapes::Mesh& in, const Decoded& out)
{
    std::vector<uint32_t> order(out.NV);
    for (uint32_t i = 0; i < out.NV; ++i) {
        double best = std::numeric_limits<double>::infinity();
        for (uint32_t j = 0; j < in.vertexCount(); ++j) {
            double d = 0;
            for (int c = 0; c < 3; ++c)
                d += std::pow(double(out.positions[i * 3 + c]) - in.positions[j * 3 + c], 2);
            if (d < best) {
                best = d;
                order[i] = j;
            }
        }
    }
    return order;
}

struct Trip {
    std::vector<uint8_t> bytes;
    std::unique_ptr<MeshDecoder> stream;  // the header as written, and the normal mode once decoded
    CDecoded decoded;
    const VertexAttribute* attribute(const char* name) const
    {
        const auto found = stream->attributes.find(name);
        return found == stream->attributes.end() ? nullptr : found->second.get();
    }
    int normalMode() const { return dynamic_cast<const NormalAttr&>(*attribute("normal")).mode; }
};

// Encodes m with options through crt.h, decodes it through crt.h and checks
// the round trip: the same triangles, every value within what the options
// allow.
Trip roundTrip(const shapes::Mesh& m, const crt_encode_options& o)
{
    Trip t;
    t.bytes = encodeC(m, &o);
    t.stream = std::make_unique<MeshDecoder>(t.bytes.data(), t.bytes.size());
    std::vector<float> positions(size_t(m.vertexCount()) * 3), normals(positions.size());
    std::vector<uint32_t> indices(size_t(m.faceCount()) * 3);
    t.stream->bindMeshOutputs(positions.data(), indices.data(), normals.data(), nullptr, nullptr);
    t.stream->runMeshDecode();

    t.decoded = decodeC(t.bytes);
    EXPECT_EQ(t.decoded.status, CRT_OK) << crt_last_error();
    const Decoded& out = t.decoded.mesh;
    const std::vector<uint32_t> order = nearestInputVertices(m, out);
    expectSameTriangles(m, out, order);
    expectPositionsWithin(m, out, order, t.attribute("position")->q);
    if (const VertexAttribute* uv = t.attribute("uv"))
        expectUvsWithin(m, out, order, uv->q);
    if (t.attribute("color"))
        expectColorsWithin(m, out, order, {o.color_steps[0], o.color_steps[1], o.color_steps[2], o.color_steps[3]},
                           o.color_channels);
    if (t.attribute("normal") && t.normalMode() != FROM_POSITIONS_RIM)
        expectNormalsOnGrid(m, out, order, o.normal_bits);
    return t;
}

float extent(const std::vector<float>& values, int N)
{
    float widest = 0;
    for (int c = 0; c < N; ++c) {
        float lo = values[c], hi = values[c];
        for (size_t i = c; i < values.size(); i += N) {
            lo = std::min(lo, values[i]);
            hi = std::max(hi, values[i]);
        }
        widest = std::max(widest, hi - lo);
    }
    return widest;
}

TEST(CEncode, EveryOptionRoundTripsAndShowsInTheStream)
{
    const shapes::Mesh m = shapes::torus(12, 8);
    crt_encode_options defaults;
    ASSERT_EQ(crt_encode_options_init(&defaults, sizeof defaults), CRT_OK);
    auto with = [&](const std::function<void(crt_encode_options&)>& change) {
        crt_encode_options o = defaults;
        change(o);
        return roundTrip(m, o);
    };

    {
        const Trip t = with([](crt_encode_options&) {});
        EXPECT_EQ(t.bytes, encodeC(m, nullptr)) << "null options are the defaults";
        EXPECT_EQ(t.bytes[8], CRT_ENTROPY_TUNSTALL);
        EXPECT_FLOAT_EQ(t.attribute("position")->q, float(extent(m.positions, 3) / (std::ldexp(1.0, 14) - 1)));
        EXPECT_FLOAT_EQ(t.attribute("uv")->q, float(extent(m.uvs, 2) / (std::ldexp(1.0, 12) - 1)));
        EXPECT_EQ(t.attribute("color")->N, 4);
        EXPECT_EQ(t.attribute("normal")->q, 511.0f);
        EXPECT_EQ(t.normalMode(), FROM_POSITIONS);  // automatic, with normals given
    }
    EXPECT_FLOAT_EQ(with([](auto& o) { o.position_bits = 8; }).attribute("position")->q,
                    float(extent(m.positions, 3) / 255.0));
    EXPECT_EQ(with([](auto& o) { o.position_step = 0.01f; o.position_bits = 3; }).attribute("position")->q, 0.01f);
    EXPECT_EQ(with([](auto& o) { o.normals = CRT_NORMALS_NONE; }).attribute("normal"), nullptr);
    EXPECT_EQ(with([](auto& o) { o.normals = CRT_NORMALS_DIFF; }).normalMode(), DIFF);
    EXPECT_EQ(with([](auto& o) { o.normals = CRT_NORMALS_POSITIONS; }).normalMode(), FROM_POSITIONS);
    EXPECT_EQ(with([](auto& o) { o.normals = CRT_NORMALS_RIM; }).normalMode(), FROM_POSITIONS_RIM);
    EXPECT_EQ(with([](auto& o) { o.normal_bits = 6; }).attribute("normal")->q, 31.0f);
    EXPECT_EQ(with([](auto& o) { o.colors = 0; }).attribute("color"), nullptr);
    {
        const Trip t = with([](auto& o) { o.color_channels = 3; });
        EXPECT_EQ(t.attribute("color")->N, 3);
        for (uint32_t i = 0; i < t.decoded.mesh.NV; ++i)
            ASSERT_EQ(t.decoded.mesh.colors[i * 4 + 3], 1.0f) << "alpha of three stored channels is opaque";
    }
    {
        const Trip t = with([](auto& o) {
            const int steps[4] = {4, 6, 8, 16};
            std::memcpy(o.color_steps, steps, sizeof steps);
        });
        const int32_t* steps = dynamic_cast<const ColorAttr&>(*t.attribute("color")).channel_steps;
        EXPECT_EQ(std::vector<int>(steps, steps + 4), (std::vector<int>{4, 6, 8, 16}));
    }
    EXPECT_EQ(with([](auto& o) { o.uvs = 0; }).attribute("uv"), nullptr);
    EXPECT_FLOAT_EQ(with([](auto& o) { o.uv_bits = 6; }).attribute("uv")->q, float(extent(m.uvs, 2) / 63.0));
    EXPECT_EQ(with([](auto& o) { o.uv_step = 0.05f; }).attribute("uv")->q, 0.05f);
    EXPECT_EQ(with([](auto& o) { o.entropy = CRT_ENTROPY_RAW; }).bytes[8], CRT_ENTROPY_RAW);
    {
        const Trip plain = with([](auto& o) { o.search = 0; });
        EXPECT_LE(with([](crt_encode_options&) {}).bytes.size(), plain.bytes.size()) << "the search keeps the smallest";
        // Without the search the strategies left open are the usual ones.
        EXPECT_EQ(plain.attribute("position")->strategy, PARALLELOGRAM | SHARED_BITS);
        EXPECT_EQ(plain.attribute("uv")->strategy, PARALLELOGRAM | SHARED_BITS);
        EXPECT_EQ(plain.attribute("color")->strategy, PARALLELOGRAM);
    }
    {
        const Trip t = with([](auto& o) { o.parallelogram = 0; });
        EXPECT_EQ(t.attribute("position")->strategy, SHARED_BITS);
        EXPECT_EQ(t.attribute("color")->strategy, 0);
    }
    EXPECT_EQ(with([](auto& o) { o.shared_bits = 0; }).attribute("uv")->strategy, PARALLELOGRAM);
}

// What a C caller may store in an enum field: any int.
template <class Enum>
void storeInt(Enum& field, int value)
{
    static_assert(sizeof(Enum) == sizeof(int));
    std::memcpy(&field, &value, sizeof value);
}

TEST(CEncode, MeshesAndOptionsThatCannotBeEncodedAreRefusedWithTheReason)
{
    const shapes::Mesh m = shapes::torus(4, 4);
    std::vector<uint32_t> badIndices = m.indices;
    badIndices[5] = m.vertexCount();
    std::vector<float> nanPositions = m.positions;
    nanPositions[7] = NAN;
    const crt_mesh good{sizeof(crt_mesh), m.vertexCount(), m.faceCount(), m.positions.data(), m.indices.data(), nullptr,
                        nullptr,         0,             nullptr,            0};
    struct Case {
        const char* what;
        std::function<void(crt_mesh&, crt_encode_options&)> change;
        crt_status status;
        const char* message;  // the start of crt_last_error
    };
    const Case cases[] = {
        {"bits", [](auto&, auto& o) { o.position_bits = 27; }, CRT_INVALID_ARGUMENT, "position_bits must be"},
        {"step", [](auto&, auto& o) { o.uv_step = -1; }, CRT_INVALID_ARGUMENT, "uv_step must be"},
        {"choice", [](auto&, auto& o) { storeInt(o.normals, 9); }, CRT_INVALID_ARGUMENT, "normals must"},
        {"colour step", [](auto&, auto& o) { o.color_steps[3] = 0; }, CRT_INVALID_ARGUMENT, "color_steps must"},
        {"entropy", [](auto&, auto& o) { storeInt(o.entropy, 2); }, CRT_INVALID_ARGUMENT, "entropy must"},
        {"no positions", [](auto& mesh, auto&) { mesh.positions = nullptr; }, CRT_INVALID_ARGUMENT,
         "The mesh has vertices but no positions."},
        {"uv components", [&](auto& mesh, auto&) { mesh.uvs = m.uvs.data(); }, CRT_INVALID_ARGUMENT,
         "uv_components of the mesh"},
        {"index", [&](auto& mesh, auto&) { mesh.indices = badIndices.data(); }, CRT_ENCODE_FAILED,
         "a triangle names vertex 16 of 16"},
        {"not finite", [&](auto& mesh, auto&) { mesh.positions = nanPositions.data(); }, CRT_ENCODE_FAILED,
         "attribute 'position': vertex 2 is not a finite number"},
        {"normals asked", [](auto&, auto& o) { o.normals = CRT_NORMALS_DIFF; }, CRT_ENCODE_FAILED,
         "the mesh has no normals to store"},
    };
    for (const Case& c : cases) {
        crt_mesh mesh = good;
        crt_encode_options o;
        crt_encode_options_init(&o, sizeof o);
        c.change(mesh, o);
        uint8_t* data = reinterpret_cast<uint8_t*>(&mesh);
        size_t size = 99;
        EXPECT_EQ(crt_encode(&mesh, &o, &data, &size), c.status) << c.what;
        EXPECT_EQ(std::string(crt_last_error()).rfind(c.message, 0), 0u) << c.what << ": " << crt_last_error();
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
    }
    uint8_t* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(crt_encode(nullptr, nullptr, &data, &size), CRT_INVALID_ARGUMENT);
    EXPECT_EQ(crt_encode(&good, nullptr, nullptr, &size), CRT_INVALID_ARGUMENT);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CRT_UNDER_SANITIZER 1
#endif

TEST(CEncode, RunningOutOfMemoryIsAStatus)
{
#ifdef CRT_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers reserve address space beyond any limit this test could set";
#elif defined(_WIN32)
    GTEST_SKIP() << "needs a child process whose address space is capped (fork, setrlimit)";
#else
    // A real allocation failure: a child process whose address space is
    // capped just above what it holds encodes a mesh that needs more.
    const shapes::Mesh big = shapes::torus(700, 700);  // 490,000 vertices
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        size_t pages = 0;
        statm >> pages;
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(32) << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        const crt_mesh mesh{sizeof(crt_mesh), big.vertexCount(), big.faceCount(), big.positions.data(), big.indices.data(),
                            big.normals.data(), nullptr, 0, nullptr, 0};
        uint8_t* data = nullptr;
        size_t size = 0;
        const crt_status status = crt_encode(&mesh, nullptr, &data, &size);
        const bool told = std::strcmp(crt_last_error(), "Out of memory.") == 0 && data == nullptr;
        _exit(told ? int(status) : 100);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus)) << "the child ended by signal " << WTERMSIG(wstatus);
    EXPECT_EQ(WEXITSTATUS(wstatus), int(CRT_OUT_OF_MEMORY));
#endif
}

}  // namespace
}  // namespace crt::roundtrip
