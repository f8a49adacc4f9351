#pragma once
// Chooses the topology symbols by running the decoder's edge-front traversal
// over the input triangles: at every step it looks up the triangle beyond the
// current front edge and picks the symbol that makes the decoder produce it.
// It also yields the decoding order of the vertices, their predictor triples
// and the triangles exactly as the decoder will write them.
#include <array>
#include <cstdint>
#include <vector>

#include "crt/encode/BitWriter.h"

namespace crt::enc {

struct TopologyOptions {
    // Put an edge aside once when its triangle reaches a known vertex that is
    // not next to it on the front, hoping the front closes there by a fold.
    bool postpone = true;
};

struct Topology {
    std::vector<uint8_t> symbols;
    BitWriter indexBits;
    uint32_t frontCapacity = 0;
    std::vector<uint32_t> order;    // decoded number -> input vertex (all NV)
    std::vector<uint32_t> number;   // input vertex -> decoded number
    std::vector<std::array<uint32_t, 3>> predictors;  // per decoded vertex
    std::vector<uint32_t> faces;    // 3 per face, decoded numbers, decoding order
    std::array<uint64_t, 7> symbolCounts{};
};

// indices: 3 x NF input vertex indices (< NV); groupEnds: cumulative face
// counts, the last equal to NF. Vertices that no triangle uses are numbered
// after all others, in input order.
Topology encodeTopology(const std::vector<uint32_t>& indices, uint32_t NV,
                        const std::vector<uint32_t>& groupEnds, const TopologyOptions& options = {});

// Binary digits of NV (1 for NV <= 1): the width of explicit vertex indices.
int indexBitsFor(uint32_t NV);

}  // namespace crt::enc
