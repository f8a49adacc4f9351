#pragma once
// Writes a crt stream from an indexed triangle mesh and its per-vertex
// attributes. The decoder reads it back with its vertices renumbered in
// decoding order; every triangle comes back with its orientation.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/EncodeError.h"

namespace crt {

// A quantisation step: a positive step wins; otherwise the step that spreads
// the largest extent of the values over 2^bits levels.
struct Quantisation {
    float step = 0.0f;
    int bits = 14;
};

// Strategy argument that leaves the choice to the encoder: searching, the
// one that codes smallest; otherwise PARALLELOGRAM (and SHARED_BITS for
// generic attributes).
constexpr int kOpenStrategy = -1;

struct MeshGroup {
    uint32_t end = 0;  // cumulative face count at which the group ends
    std::vector<std::pair<std::string, std::string>> properties;
};

struct EncodeReport {
    std::array<uint64_t, 7> symbolCounts{};  // by Symbol value
    uint32_t frontCapacity = 0;
    // The mode written: a position-based mode falls back to DIFF when some
    // vertex's faces all have zero area after quantisation (or it has none).
    NormalMode normalMode = DIFF;
    uint32_t unusableNormalEstimates = 0;  // how many such vertices
    std::map<std::string, float> steps;  // quantisation step chosen per attribute
    std::map<std::string, int> strategies;  // strategy bits written per attribute
    std::vector<uint32_t> vertexOrder;   // decoded vertex number -> input vertex
};

class MeshEncoder {
public:
    void setEntropy(Entropy entropy) { entropy_ = entropy; }
    // Postponing edges usually saves explicit vertex indices; off for tests.
    void setPostpone(bool on) { postpone_ = on; }
    // On (the default), the encoder tries the choices that leave the decoded
    // mesh as it is and writes the smallest stream: the strategy of each
    // attribute given kOpenStrategy, wider shared bit counts, the Tunstall
    // tables, and which postponed edges are better skipped. Off, it writes
    // the plain choices, quickly.
    void setSearch(bool on) { search_ = on; }
    void addHeaderTag(const std::string& key, const std::string& value) { tags_.emplace_back(key, value); }

    // Needed only when no attribute is given.
    void setVertexCount(uint32_t NV);
    void setTriangles(const uint32_t* indices, size_t faceCount);
    // Groups split the faces in input order; by default one group of all faces.
    void setGroups(std::vector<MeshGroup> groups) { groups_ = std::move(groups); }

    // xyz: 3 floats per vertex.
    void setPositions(const float* xyz, uint32_t NV, Quantisation q = {}, int strategy = kOpenStrategy);
    // xyz: 3 floats per vertex; gridBits sets the octahedral grid u = 2^(gridBits-1) - 1.
    void setNormals(const float* xyz, uint32_t NV, NormalMode mode = FROM_POSITIONS, int gridBits = 10);
    // values: inputChannels floats per vertex in 0..1 (alpha 1 when 3 are given);
    // storedChannels 3 or 4; steps per channel R, G, B, A in 1..255.
    void setColors(const float* values, uint32_t NV, int inputChannels, int storedChannels,
                   std::array<int, 4> steps = {1, 1, 1, 1}, int strategy = kOpenStrategy);
    // Any other per-vertex channel ("uv" for texture coordinates).
    void addGeneric(const std::string& name, const float* values, uint32_t NV, int components, Quantisation q = {},
                    int strategy = kOpenStrategy);

    std::vector<uint8_t> encode();
    const EncodeReport& report() const { return report_; }

private:
    struct Attribute {
        int32_t codec = KIND_GENERIC;
        int components = 0;
        int strategy = kOpenStrategy;
        Quantisation quantisation;
        std::vector<float> values;  // components per input vertex
        NormalMode normalMode = DIFF;
        int gridBits = 10;
        int storedChannels = 4;
        std::array<int, 4> steps{};
    };

    void checkVertexCount(uint32_t NV);
    Attribute& add(const std::string& name, int32_t codec, uint32_t NV, const float* values, int components);

    Entropy entropy_ = ENTROPY_TUNSTALL;
    bool postpone_ = true;
    bool search_ = true;
    std::vector<std::pair<std::string, std::string>> tags_;
    bool haveVertexCount_ = false;
    uint32_t NV_ = 0;
    std::vector<uint32_t> indices_;
    std::vector<MeshGroup> groups_;
    std::map<std::string, Attribute> attributes_;  // name order is payload order
    EncodeReport report_;
};

// Octahedral grid size for a number of grid bits.
int32_t normalGridUnit(int gridBits);

}  // namespace crt
