// The stream header: tags, attribute descriptors and the objects made for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StreamBuilder.h"
#include "Thrown.h"
#include "crt/ColorAttr.h"
#include "crt/GenericAttr.h"
#include "crt/MeshDecoder.h"
#include "crt/NormalAttr.h"

using crttest::Descriptor;
using crttest::StreamBuilder;
using crttest::thrown;

namespace {

std::vector<std::string> namesInOrder(const crt::MeshDecoder& d)
{
    std::vector<std::string> names;
    for (const auto& [name, attribute] : d.attributes)
        names.push_back(name);
    return names;
}

TEST(Header, TagsAndCountsWithoutAttributes)
{
    StreamBuilder s;
    s.header(crt::ENTROPY_RAW, {}, 7, 9, {{"author", "me"}, {"", "empty key"}, {"author", "you"}});
    crt::MeshDecoder d(s.bytes.data(), s.size());
    EXPECT_EQ(d.NV, 7u);
    EXPECT_EQ(d.NF, 9u);
    ASSERT_EQ(d.header_tags.size(), 2u);
    EXPECT_EQ(d.header_tags["author"], "you");  // a later pair replaces the value
    EXPECT_EQ(d.header_tags[""], "empty key");
    EXPECT_TRUE(d.attributes.empty());
}

TEST(Header, StringsEndAtTheirFirstZeroAndSkipTheirWholeCount)
{
    StreamBuilder s;
    s.u32(crt::kMagic).u32(0).u8(0).u32(1);
    s.u16(6).raw({'a', 'b', 0, 'x', 'y', 0}).u16(1).u8(0);  // "ab" with junk after its zero, ""
    s.i32(0).u32(3).u32(4);
    crt::MeshDecoder d(s.bytes.data(), s.size());
    EXPECT_EQ(d.header_tags.at("ab"), "");
    EXPECT_EQ(d.NV, 3u);
    EXPECT_EQ(d.NF, 4u);
}

TEST(Header, NegativeAttributeCountMeansNoDescriptors)
{
    StreamBuilder s;
    s.u32(crt::kMagic).u32(0xFFFFFFFF).u8(1).u32(0).i32(-5).u32(11).u32(12);
    crt::MeshDecoder d(s.bytes.data(), s.size());
    EXPECT_TRUE(d.attributes.empty());
    EXPECT_EQ(d.NV, 11u);
    EXPECT_EQ(d.NF, 12u);
    EXPECT_EQ(d.cursor.entropy, 1);
}

TEST(Header, DescriptorsMakeAttributesByCodec)
{
    StreamBuilder s;
    s.header(crt::ENTROPY_RAW,
             {{"position", 7, 0.5f, 3, crt::FMT_I16, 3},
              {"normal", crt::KIND_NORMAL, 255.0f, 4, 0, 0},
              {"color", crt::KIND_COLOR, 1.0f, 3, 0, 1},
              {"color", crt::KIND_COLOR, 1.0f, 4, 0, 0}},
             1, 0);
    crt::MeshDecoder d(s.bytes.data(), s.size());
    const auto* position = dynamic_cast<crt::GenericAttr<int32_t>*>(d.attributes.at("position").get());
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(position->codecId(), 1);
    EXPECT_EQ(position->N, 3);
    EXPECT_EQ(position->q, 0.5f);
    EXPECT_EQ(position->format, crt::FMT_I16);
    EXPECT_EQ(position->strategy, 3);
    const auto* normal = dynamic_cast<crt::NormalAttr*>(d.attributes.at("normal").get());
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->N, 3);  // always 3, whatever the descriptor says
    EXPECT_EQ(normal->codecId(), 2);
    // The second "color" descriptor replaced the first.
    const auto* color = dynamic_cast<crt::ColorAttr*>(d.attributes.at("color").get());
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->N, 4);
    EXPECT_EQ(color->codecId(), 3);
    EXPECT_EQ(color->channel_steps[3], 8);
    EXPECT_EQ(d.attributes.size(), 3u);
}

TEST(Header, AttributesAreOrderedByTheirNamesBytes)
{
    std::vector<Descriptor> attributes;
    for (const char* name : {"uv", "position", "\xC3\xA9", "pos", "normal", "color", "position2"})
        attributes.push_back({name});
    StreamBuilder s;
    s.header(crt::ENTROPY_RAW, attributes, 0, 0);
    crt::MeshDecoder d(s.bytes.data(), s.size());
    // A prefix sorts first; bytes compare unsigned, so 0xC3 comes after 'u'.
    EXPECT_EQ(namesInOrder(d),
              (std::vector<std::string>{"color", "normal", "pos", "position", "position2", "uv", "\xC3\xA9"}));
}

TEST(Header, DamagedHeadersAreRefused)
{
    auto error = [](const std::vector<uint8_t>& bytes) {
        return thrown([&] { crt::MeshDecoder d(bytes.data(), bytes.size()); });
    };
    EXPECT_EQ(error(StreamBuilder().u32(0x787A6301).u32(0).u8(0).u32(0).i32(0).u32(0).u32(0).bytes),
              "Not a crt file.");
    // Colours of other than 3 or 4 channels.
    for (uint8_t N : {0, 2, 5})
        EXPECT_EQ(error(StreamBuilder().header(0, {{"color", crt::KIND_COLOR, 1.0f, N}}, 1, 1).bytes),
                  "Corrupt crt stream.");
    // Counts the rest of the block cannot hold, refused before any work.
    EXPECT_EQ(error(StreamBuilder().u32(crt::kMagic).u32(0).u8(0).u32(0xFFFFFFFF).bytes), "Truncated crt stream.");
    EXPECT_EQ(error(StreamBuilder().u32(crt::kMagic).u32(0).u8(0).u32(0).i32(0x7FFFFFFF).bytes),
              "Truncated crt stream.");
    // Every cut of a valid header (a length of 0 would mean "unknown").
    const std::vector<uint8_t> full =
        StreamBuilder().header(0, {{"position"}, {"normal", crt::KIND_NORMAL}}, 4, 2, {{"k", "v"}}).bytes;
    for (size_t cut = 1; cut < full.size(); ++cut) {
        const std::vector<uint8_t> prefix(full.begin(), full.begin() + long(cut));
        EXPECT_EQ(error(prefix), "Truncated crt stream.") << "cut at " << cut;
    }
}

TEST(Header, UnknownBlockLengthStillParses)
{
    const std::vector<uint8_t> bytes = StreamBuilder().header(0, {{"uv", 1, 1.0f, 2}}, 5, 6).bytes;
    crt::MeshDecoder d(bytes.data(), 0);
    EXPECT_EQ(d.NV, 5u);
    EXPECT_EQ(d.NF, 6u);
    EXPECT_EQ(d.attributes.at("uv")->N, 2);
}

}  // namespace
