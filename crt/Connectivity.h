#pragma once
// Topology of a crt mesh: the group table, the traversal symbols and the
// explicit vertex indices, replayed into triangles and vertex predictors.
#include <cstdint>
#include <vector>

#include "crt/BitReader.h"
#include "crt/ByteArray.h"
#include "crt/ByteCursor.h"
#include "crt/PodBuffer.h"

namespace crt {

// The three vertices a new vertex is predicted from.
struct Predictor {
    uint32_t a, b, c;
};

// Predictors of all NV vertices. Only the vertices the traversal created
// have a stored triple; every other vertex has (0, 0, 0).
struct PredictorTable {
    const Predictor* stored = nullptr;
    uint32_t storedCount = 0;
    uint32_t size = 0;  // logical entries: NV for a mesh, 0 without faces
    // Every vertex is predicted from vertices before it. Only a stream that
    // names a vertex before the traversal has made it breaks this.
    bool ordered = true;

    Predictor operator[](uint32_t i) const { return i < storedCount ? stored[i] : Predictor{0, 0, 0}; }
};

// A group's properties are read past: nothing in the decoder uses them, and
// kept they would cost memory in proportion to the stream's length.
struct FaceGroup {
    uint32_t end = 0;  // face count at which the group ends, cumulative
};

// One edge of the front: the border of the region decoded so far.
struct FrontEdge {
    uint32_t from, to;
    uint32_t apex;        // vertex opposite the edge in its decoded triangle
    uint32_t prev, next;  // positions of the neighbouring edges along the front
};

class Connectivity {
public:
    uint32_t* faces32 = nullptr;  // caller's index array
    uint16_t* faces16 = nullptr;  // narrow alternative, used when set
    PodBuffer<Predictor> predictors;  // one per created vertex, in creation order
    std::vector<FaceGroup> groups;
    ByteView symbols;  // set through setSymbols
    std::vector<uint8_t> symbolStorage;
    BitReader indexBits;
    uint32_t front_capacity = 0;

    // Takes the topology symbols; a value above REUSE_VERTEX is corrupt.
    void setSymbols(ByteView array);

    // Reads the group table; the ends must rise to exactly NF.
    void readGroupTable(ByteCursor& in, uint32_t NF);

    // Writes the triangles of index positions [start, end) (multiples of 3).
    // symbolPos and nextVertex carry over from one group to the next.
    void traverseFaces(uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex, uint32_t NV);

    // Set when the index bits name a vertex the traversal has not made yet.
    bool forward_reference = false;

    PredictorTable predictorTable(uint32_t NV) const
    {
        return {predictors.data(), uint32_t(predictors.size()), NV, !forward_reference};
    }

    // The most front entries a group of `triangles` takes: a step appends at
    // most three and writes a triangle, and the loop keeps room for one step.
    static uint64_t frontEntriesFor(uint64_t triangles) { return 3 * triangles + 6; }
    // The most the traversal allocates for a mesh of NV vertices and NF faces
    // in G groups: front, postponed stack, marks, predictors, group ends.
    static uint64_t workingBytes(uint64_t NV, uint64_t NF, uint64_t G);
    // Gives back everything a decode allocated; the face outputs stay.
    void releaseWorkingMemory();

private:
    template <class Index>
    void traverse(Index* out, uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex,
                  uint32_t NV);

    PodBuffer<FrontEdge> front_;
    std::vector<uint64_t> marks_;  // per front position: retired, queued
    PodBuffer<uint32_t> postponed_;
};

}  // namespace crt
