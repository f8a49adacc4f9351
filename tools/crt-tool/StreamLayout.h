#pragma once
// Walks a crt stream without decoding it: header fields, attribute
// descriptors, the group table and where each body section begins and ends.
// Every read is checked against the block's length, so it also serves to
// refuse truncated or malformed files before they reach the decoder.
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace crttool {

struct Descriptor {
    std::string name;
    int32_t codec = 0;
    float q = 0.0f;
    int components = 0;
    int format = 0;
    int strategy = 0;
};

struct Section {
    std::string name;
    size_t begin = 0;
    size_t end = 0;
};

struct Group {
    uint32_t end = 0;
    std::vector<std::pair<std::string, std::string>> properties;
};

struct StreamLayout {
    uint32_t version = 0;
    int entropy = 0;
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<Descriptor> descriptors;  // in stored order
    uint32_t NV = 0, NF = 0;
    std::vector<Group> groups;
    std::vector<Section> sections;  // in stream order, from the header on
    std::array<uint64_t, 7> symbolCounts{};
    uint64_t otherSymbols = 0;  // symbol values above 6
    std::map<std::string, int> normalModes;  // per normal attribute
};

class LayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws LayoutError with a one-line reason when the stream is malformed.
StreamLayout readLayout(const uint8_t* data, size_t size);

}  // namespace crttool
