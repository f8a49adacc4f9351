#pragma once
// Chooses the topology symbols by running the decoder's edge-front traversal
// over the input triangles: at every step it looks up the triangle beyond the
// current front edge and picks the symbol that makes the decoder produce it.
// It also yields the decoding order of the vertices, their predictor triples
// and the triangles exactly as the decoder will write them.
#include <array>
#include <cstdint>
#include <vector>

#include "crt/Format.h"
#include "crt/encode/BitWriter.h"

namespace crt::enc {

struct TopologyOptions {
    // Put an edge aside once when its triangle reaches a known vertex that is
    // not next to it on the front, hoping the front closes there by a fold.
    bool postpone = true;
    // For each such edge in the order the traversal meets them, the symbol
    // to write: POSTPONE, or SKIP_EDGE where coming back to the edge would
    // change nothing (it is folded over before, or skipped then). Empty:
    // POSTPONE each time.
    std::vector<uint8_t> postponeAs;
};

// What became of a postponed edge: folded over before it came back, or the
// symbol it got when it did.
constexpr uint8_t kFoldedOver = 0xFF;

struct Topology {
    std::vector<uint8_t> symbols;
    BitWriter indexBits;
    uint32_t frontCapacity = 0;
    std::vector<uint32_t> order;    // decoded number -> input vertex (all NV)
    std::vector<uint32_t> number;   // input vertex -> decoded number
    std::vector<std::array<uint32_t, 3>> predictors;  // per decoded vertex
    std::vector<uint32_t> faces;    // 3 per face, decoded numbers, decoding order
    std::array<uint64_t, 7> symbolCounts{};
    std::vector<uint8_t> postponeOutcomes;  // per postponed edge, in order
    std::vector<size_t> postponeSymbols;    // where each POSTPONE written stands in symbols
};

// Encodes twice: the second traversal writes SKIP_EDGE for the edges whose
// postponement changed nothing in the first (same triangles, same vertex
// order, fewer symbols), and for the edges folded over before they came
// back either symbol, whichever codes smaller.
Topology encodeTopologyRefined(const std::vector<uint32_t>& indices, uint32_t NV,
                               const std::vector<uint32_t>& groupEnds, Entropy entropy);

// indices: 3 x NF input vertex indices (< NV); groupEnds: cumulative face
// counts, the last equal to NF. Vertices that no triangle uses are numbered
// after all others, in input order.
Topology encodeTopology(const std::vector<uint32_t>& indices, uint32_t NV,
                        const std::vector<uint32_t>& groupEnds, const TopologyOptions& options = {});

// Binary digits of NV (1 for NV <= 1): the width of explicit vertex indices.
int indexBitsFor(uint32_t NV);

}  // namespace crt::enc
