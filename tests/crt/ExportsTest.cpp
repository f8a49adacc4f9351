// The three exported functions, and hostile input through them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CarefulCaller.h"
#include "MeshStreams.h"
#include "SeedStreams.h"
#include "Thrown.h"
#include "crt/Decoder.h"

using namespace crttest;

namespace {

TEST(Exports, StreamWithoutFacesIsRefusedWithoutWritingAnything)
{
    StreamBuilder s;
    s.header(crt::ENTROPY_RAW, {{"position", 1, 1.0f, 3}}, 2, 0).groups({});
    s.residuals({{1, 2, 3}, {4, 5, 6}}, 3);
    float counts[2] = {-1, -1};
    void* decoder = CreateDecoder(int(s.size()), s.bytes.data(), counts);
    EXPECT_EQ(counts[0], 0.0f);
    EXPECT_EQ(counts[1], 2.0f);
    std::vector<float> positions(6, kUnwritten);
    uint32_t index = 77;
    EXPECT_EQ(DecodeMesh(decoder, positions.data(), &index, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(positions, std::vector<float>(6, kUnwritten));
    EXPECT_EQ(index, 77u);
    DestroyDecoder(decoder);
}

TEST(Exports, OptionalOutputsMayBeNullAndUnknownAttributesAreSkipped)
{
    StreamBuilder s = meshStream(kSquare, {{"position", 1, 1.0f, 3, crt::FMT_F32, crt::SHARED_BITS},
                                           {"normal", crt::KIND_NORMAL, 511.0f},
                                           {"bone", 9, 1.0f, 2, crt::FMT_F32, 0}});
    s.residuals({{3, 1}, {2, 2}, {1, 3}, {0, 4}}, 2);                  // bone
    s.u8(crt::DIFF).residualsShared({{0, 0}, {5, 5}, {7, -7}, {0, 1}});  // normal
    s.residualsShared({{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});    // position
    Outputs want;
    want.normals = want.colors = want.uvs = false;
    const DecodedMesh m = decodeMesh(s.bytes, want);
    EXPECT_EQ(m.result, 2);
    EXPECT_EQ(m.positions, (std::vector<float>{1, 1, 1, 2, 1, 1, 2, 2, 1, 2, 2, 2}));
    EXPECT_EQ(m.indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
}

TEST(Exports, CallsOutsideTheNormalPath)
{
    DestroyDecoder(nullptr);
    uint32_t index;
    EXPECT_EQ(DecodeMesh(nullptr, nullptr, &index, nullptr, nullptr, nullptr), -1);

    const std::vector<uint8_t> notCrt = {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(thrown([&] { CreateDecoder(int(notCrt.size()), notCrt.data(), nullptr); }), "Not a crt file.");
    EXPECT_EQ(thrown([] { CreateDecoder(100, nullptr, nullptr); }), "Truncated crt stream.");

    // Decoding twice gives the same mesh; no index array is an error.
    const std::vector<uint8_t> bytes = seedStreams().at(0);
    float counts[2];
    void* decoder = CreateDecoder(int(bytes.size()), bytes.data(), counts);
    std::vector<float> first(12), second(12);
    std::vector<uint32_t> indices(6);
    EXPECT_EQ(DecodeMesh(decoder, first.data(), indices.data(), nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(DecodeMesh(decoder, second.data(), indices.data(), nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(first, second);
    EXPECT_EQ(thrown([&] { DecodeMesh(decoder, first.data(), nullptr, nullptr, nullptr, nullptr); }),
              "No index output given.");
    DestroyDecoder(decoder);
}

// Decodes bytes held in a heap block of exactly their length, so a read past
// the end is caught by the address sanitizer in sanitizer builds: through the
// three exported functions, and through crt.h, which must end the same way
// with a status instead of a throw.
std::string decodeExactCopy(const std::vector<uint8_t>& bytes)
{
    const std::unique_ptr<uint8_t[]> block(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), block.get());
    const std::string thrown = decodeCarefully(block.get(), bytes.size());
    EXPECT_EQ(decodeCarefullyThroughC(block.get(), bytes.size()), thrown) << bytes.size() << " bytes";
    return thrown;
}

TEST(Exports, AttributesThatWouldOverrunTheCallersArraysAreRefused)
{
    // Each standard name under a codec that writes more per vertex than the
    // caller's array of that name holds.
    const std::vector<std::vector<Descriptor>> cases = {
        {{"color", 1, 1.0f, 7}},                    // 7 floats for an RGBA array
        {{"normal", 1, 1.0f, 5}},                   // 5 floats for 3
        {{"position", crt::KIND_COLOR, 1.0f, 3}},   // RGBA for 3 declared components
        {{"uv", crt::KIND_NORMAL, 511.0f, 1}},      // a normal for 1 declared component
    };
    for (const auto& attributes : cases) {
        StreamBuilder s = meshStream(kTriangle, attributes);
        const Descriptor& d = attributes[0];
        if (d.codec == crt::KIND_COLOR)
            s.u8(1).u8(1).u8(1).residuals({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 3);
        else if (d.codec == crt::KIND_NORMAL)
            s.u8(crt::DIFF).residualsShared({{0, 0}, {0, 0}, {0, 0}});
        else
            s.residuals(std::vector<std::vector<int32_t>>(3, std::vector<int32_t>(d.N, 1)), d.N);
        EXPECT_EQ(decodeExactCopy(s.bytes), "Corrupt crt stream.") << d.name;
    }
}

TEST(Exports, EveryCutOfAValidStreamIsRefusedByBothInterfaces)
{
    const std::vector<std::vector<uint8_t>> seeds = seedStreams();
    for (size_t k = 0; k < seeds.size(); ++k) {
        ASSERT_EQ(decodeExactCopy(seeds[k]), "") << "seed " << k;
        for (size_t cut = 1; cut < seeds[k].size(); ++cut) {
            const std::string message =
                decodeExactCopy(std::vector<uint8_t>(seeds[k].begin(), seeds[k].begin() + long(cut)));
            EXPECT_TRUE(message == "Truncated crt stream." || message == "Corrupt crt stream.")
                << "seed " << k << " cut at " << cut << ": " << message;
        }
    }
}

TEST(Exports, HostileStreamsDecodeOrAreRefusedCleanlyByBothInterfaces)
{
    // Every file under regressions/ is a damaged stream that would make a
    // trusting decoder read, write or allocate out of bounds (hand-made ones
    // for the faults mended so far, and whatever the fuzzer ever finds). Each
    // must decode or be refused with a message; under the sanitizers nothing
    // may be touched outside the block or the outputs.
    const std::filesystem::path folder = std::filesystem::path(CRT_TEST_SOURCE_DIR) / "regressions";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".crt")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.empty())
            continue;
        const std::string message = decodeExactCopy(bytes);
        EXPECT_TRUE(message.empty() || message == "Truncated crt stream." || message == "Corrupt crt stream." ||
                    message == "Not a crt file." || message == "Unknown entropy" ||
                    message.rfind("No position", 0) == 0 || message.rfind("Position attr", 0) == 0 ||
                    message == "(counts too large to decode here)")
            << entry.path() << ": " << message;
        ++files;
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
