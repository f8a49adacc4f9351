#include "crt/Connectivity.h"

#include <algorithm>
#include <bit>

#include "crt/Format.h"

namespace crt {

void Connectivity::readGroupTable(ByteCursor& in, uint32_t NF)
{
    const uint32_t count = in.u32();
    in.needItems(count, 5);  // end and property count
    groups.resize(count);
    uint32_t previousEnd = 0;
    for (FaceGroup& group : groups) {
        group.end = in.u32();
        if (group.end < previousEnd || group.end > NF)
            throw kCorrupt;
        previousEnd = group.end;
        group.properties.clear();
        const uint8_t properties = in.u8();
        for (uint8_t i = 0; i < properties; ++i) {
            std::string key = in.str();
            group.properties[key] = in.str();
        }
    }
    // Groups that stop short of NF would leave indices unwritten.
    if (previousEnd != NF)
        throw kCorrupt;
}

void Connectivity::setSymbols(ByteView array)
{
    uint8_t highest = 0;
    for (size_t i = 0; i < array.size; ++i)
        highest = std::max(highest, array.data[i]);
    if (highest > REUSE_VERTEX)
        throw kCorrupt;
    symbols = array;
}

void Connectivity::traverseFaces(uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex,
                                 uint32_t NV)
{
    if (faces16)
        traverse(faces16, start, end, symbolPos, nextVertex, NV);
    else if (faces32)
        traverse(faces32, start, end, symbolPos, nextVertex, NV);
    else
        throw kNoIndexOutput;
}

// Grows the decoded region one triangle at a time across the front. Every
// prev and next position stored in the front names an existing entry (the
// three edges of a component link to each other, later edges only to entries
// already there or appended with them), so the front is never indexed beyond
// its end; the front and the queue gain at most three entries per step.
//
// The hot state lives in local variables; the buffers behind it are synced
// only when they must grow. Symbols were checked when they were read.
template <class Index>
void Connectivity::traverse(Index* out, uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex,
                            uint32_t NV)
{
    constexpr uint32_t kNone = UINT32_MAX;
    const unsigned indexWidth = std::max(1u, unsigned(std::bit_width(NV)));
    const uint64_t triangles = (end - start) / 3;
    // Front positions are 32-bit: a group must not be able to outgrow them.
    if (3 * triangles + 3 > UINT32_MAX)
        throw kCorrupt;

    // The stream's capacity hint, held to what this group can use, plus the
    // room for one step that the loop makes sure of.
    const size_t expected = size_t(std::min<uint64_t>(front_capacity, 3 * triangles));
    front_.reserve(expected + 3);
    edgeQueue_.reserve(size_t((end - start) / 2) + 3);
    postponed_.clear();
    retired_.assign(size_t(3 * triangles / 64 + 1), 0);
    uint64_t* const retired = retired_.data();
    auto retire = [&](uint32_t position) { retired[position >> 6] |= uint64_t(1) << (position & 63); };
    // A triangle creates at most three vertices, and never more than NV.
    predictors.reserve(size_t(std::min<uint64_t>(NV, nextVertex + 3 * triangles)));

    FrontEdge* front = front_.data();
    uint32_t* queue = edgeQueue_.data();
    Predictor* predictor = predictors.data() + predictors.size();
    uint32_t F = 0;  // front size
    uint32_t queueSize = 0, queueRead = 0;
    size_t safeSteps = 0;  // steps that fit in the room the buffers have
    // The pending edge is the one the last step appended; it is also kept in
    // registers, since reading it back at once from memory stalls.
    uint32_t pending = kNone;
    FrontEdge pendingEdge{};

    const uint8_t* const symbolData = symbols.data;
    const uint64_t symbolCount = symbols.size;
    uint64_t sym = symbolPos;
    uint32_t vertexCount = nextVertex;
    Index* o = out + start;
    Index* const oEnd = out + end;

    auto nextSymbol = [&]() -> uint8_t {
        if (sym >= symbolCount)
            throw kCorrupt;  // fewer symbols than triangles need
        return symbolData[sym++];
    };
    auto readVertex = [&]() -> uint32_t {
        const uint32_t v = indexBits.read(indexWidth);
        if (v >= NV)
            throw kCorrupt;
        return v;
    };
    auto newVertex = [&](uint32_t a, uint32_t b, uint32_t c) -> uint32_t {
        if (vertexCount >= NV)
            throw kCorrupt;
        *predictor++ = {a, b, c};
        return vertexCount++;
    };
    auto writeTriangle = [&](uint32_t a, uint32_t b, uint32_t c) {
        o[0] = Index(a);
        o[1] = Index(b);
        o[2] = Index(c);
        o += 3;
    };
    auto append = [&](uint32_t from, uint32_t to, uint32_t apex, uint32_t prev, uint32_t next) {
        FrontEdge& edge = front[F++];
        edge.from = from;
        edge.to = to;
        edge.apex = apex;
        edge.prev = prev;
        edge.next = next;
    };
    // The triangle across edge e to vertex opposite replaces e by two edges,
    // the first of which is worked on next.
    auto splitEdge = [&](const FrontEdge& e, uint32_t opposite) {
        front[e.prev].next = F;
        front[e.next].prev = F + 1;
        queue[queueSize++] = F + 1;
        pending = F;
        pendingEdge = {e.from, opposite, e.to, e.prev, F + 1};
        append(e.from, opposite, e.to, e.prev, F + 1);
        append(opposite, e.to, e.from, F - 1, e.next);
    };
    auto makeRoom = [&] {
        front_.setSize(F);
        front_.reserveMore(3);
        edgeQueue_.setSize(queueSize);
        edgeQueue_.reserveMore(3);
        front = front_.data();
        queue = edgeQueue_.data();
        safeSteps = std::min((front_.capacity() - F) / 3, (edgeQueue_.capacity() - queueSize) / 3);
    };

    while (o < oEnd) {
        if (safeSteps == 0)
            makeRoom();
        --safeSteps;
        uint32_t p;
        FrontEdge e;
        if (pending != kNone) {
            p = pending;
            e = pendingEdge;
            pending = kNone;
        } else {
            if (queueRead < queueSize) {
                p = queue[queueRead++];
            } else if (!postponed_.empty()) {
                p = postponed_.back();
                postponed_.popBack();
            } else {
                // A new component: one triangle of new or explicitly named vertices.
                uint32_t last = vertexCount - 1;
                const uint32_t flags = nextSymbol() == REUSE_VERTEX ? indexBits.read(3) : 0;
                uint32_t v[3];
                for (int k = 0; k < 3; ++k) {
                    if (flags & (1u << k)) {
                        v[k] = readVertex();
                    } else {
                        v[k] = newVertex(last, last, last);
                        last = v[k];
                    }
                }
                writeTriangle(v[0], v[1], v[2]);
                const uint32_t f = F;
                append(v[1], v[2], v[0], f + 2, f + 1);
                append(v[2], v[0], v[1], f, f + 2);
                append(v[0], v[1], v[2], f + 1, f);
                queue[queueSize++] = f;
                queue[queueSize++] = f + 1;
                queue[queueSize++] = f + 2;
                continue;
            }
            if ((retired[p >> 6] >> (p & 63)) & 1)
                continue;
            e = front[p];
        }

        const uint8_t s = nextSymbol();
        uint32_t opposite;
        // The two commonest symbols first, as plain branches.
        if (s == ADD_VERTEX) {
            opposite = newVertex(e.to, e.from, e.apex);
            splitEdge(e, opposite);
        } else if (s == FOLD_PREV) {
            const FrontEdge P = front[e.prev];
            opposite = P.from;
            retire(e.prev);
            front[P.prev].next = F;
            front[e.next].prev = F;
            pending = F;
            pendingEdge = {P.from, e.to, e.from, P.prev, e.next};
            append(P.from, e.to, e.from, P.prev, e.next);
        } else {
            switch (s) {
            case SKIP_EDGE:
                continue;
            case POSTPONE:
                postponed_.reserveMore(1);
                postponed_.append(p);
                continue;
            case REUSE_VERTEX:
                opposite = readVertex();
                splitEdge(e, opposite);
                break;
            case FOLD_NEXT: {
                const FrontEdge N = front[e.next];
                opposite = N.to;
                retire(e.next);
                front[N.next].prev = F;
                front[e.prev].next = F;
                pending = F;
                pendingEdge = {e.from, N.to, e.to, e.prev, N.next};
                append(e.from, N.to, e.to, e.prev, N.next);
                break;
            }
            default: {  // FOLD_BOTH
                const FrontEdge P = front[e.prev];
                const FrontEdge N = front[e.next];
                opposite = P.from;
                retire(e.prev);
                retire(e.next);
                front[P.prev].next = N.next;
                front[N.next].prev = P.prev;
                break;
            }
            }
        }
        writeTriangle(e.to, e.from, opposite);
    }
    front_.setSize(F);
    edgeQueue_.setSize(queueSize);
    predictors.setSize(size_t(predictor - predictors.data()));
    symbolPos = sym;
    nextVertex = vertexCount;
}

}  // namespace crt
