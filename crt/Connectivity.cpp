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
// The loop is shaped for what valid streams do most: a chain of steps, each
// working on the edge the previous one appended, broken only by SKIP_EDGE,
// POSTPONE and FOLD_BOTH, after which the next edge comes from the queue,
// the postponed stack or a new component. The hot state lives in local
// variables; the buffers behind it are synced only when they must grow.
// Symbols were checked when they were read.
template <class Index>
void Connectivity::traverse(Index* out, uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex,
                            uint32_t NV)
{
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
    auto isRetired = [retired](uint32_t position) { return (retired[position >> 6] >> (position & 63)) & 1; };
    // A triangle creates at most three vertices, and never more than NV; one
    // more slot takes the predictor the common step writes before it knows
    // whether it keeps it.
    predictors.reserve(size_t(std::min<uint64_t>(NV, nextVertex + 3 * triangles)) + 1);

    FrontEdge* front = front_.data();
    uint32_t* queue = edgeQueue_.data();
    Predictor* predictor = predictors.data() + predictors.size();
    uint32_t F = 0;  // front size
    uint32_t queueSize = 0, queueRead = 0;
    const uint8_t* const symbolData = symbols.data;
    const uint64_t symbolCount = symbols.size;
    uint64_t sym = symbolPos;
    uint32_t vertexCount = nextVertex;
    Index* o = out + start;
    Index* const oEnd = out + end;

    // Steps that fit in the room the buffers have, in the symbols and in the
    // triangles left: a step reads at most one symbol, writes at most one
    // triangle and appends at most three front and queue entries.
    size_t budget = 0;
    // Makes room for more steps; false once the group's triangles are written.
    auto refill = [&]() -> bool {
        if (o >= oEnd)
            return false;
        front_.setSize(F);
        front_.reserveMore(3);
        edgeQueue_.setSize(queueSize);
        edgeQueue_.reserveMore(3);
        front = front_.data();
        queue = edgeQueue_.data();
        // A triangle is still missing, and every triangle takes a symbol.
        if (sym >= symbolCount)
            throw kCorrupt;
        budget = std::min({(front_.capacity() - F) / 3, (edgeQueue_.capacity() - queueSize) / 3,
                           size_t(symbolCount - sym), size_t(oEnd - o) / 3});
        return true;
    };
    auto readVertex = [&]() -> uint32_t {
        const uint32_t v = indexBits.read(indexWidth);
        if (v >= NV)
            throw kCorrupt;
        forward_reference |= v >= vertexCount;
        return v;
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

    for (;;) {
        if (budget == 0 && !refill())
            break;
        --budget;
        // Most queued edges have been folded over by the time they come up.
        while (queueRead < queueSize && isRetired(queue[queueRead]))
            ++queueRead;
        uint32_t p;
        if (queueRead < queueSize) {
            p = queue[queueRead++];
        } else if (!postponed_.empty()) {
            p = postponed_.back();
            postponed_.popBack();
            if (isRetired(p))
                continue;
        } else {
            // A new component: one triangle of new or explicitly named vertices.
            uint32_t last = vertexCount - 1;
            const uint32_t flags = symbolData[sym++] == REUSE_VERTEX ? indexBits.read(3) : 0;
            uint32_t v[3];
            for (int k = 0; k < 3; ++k) {
                if (flags & (1u << k)) {
                    v[k] = readVertex();
                } else {
                    if (vertexCount >= NV)
                        throw kCorrupt;
                    *predictor++ = {last, last, last};
                    v[k] = last = vertexCount++;
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
        FrontEdge e = front[p];

        // The chain from edge e at position p.
        for (;;) {
            const uint8_t s = symbolData[sym++];
            uint32_t opposite;
            FrontEdge next;
            if (s <= FOLD_PREV) {
                // The two commonest symbols, which no branch predictor can
                // tell apart, share one path without branches. ADD_VERTEX
                // splits e at a new vertex into (from, x) and (x, to), the
                // first worked on next and the second queued. FOLD_PREV
                // closes onto the previous edge's start: one edge
                // (P.from, to) replaces the previous edge and e.
                const uint32_t add = s == ADD_VERTEX;
                const uint32_t mask = 0u - add;  // all ones for ADD_VERTEX
                auto pick = [mask](uint32_t a, uint32_t b) { return (a & mask) | (b & ~mask); };
                // Only the two fields needed, one by one: the previous
                // edge's next field may have just been stored, and a wider
                // load over it would wait for the store.
                const uint32_t prevFrom = front[e.prev].from;
                const uint32_t prevPrev = front[e.prev].prev;
                if (vertexCount + add > NV)
                    throw kCorrupt;
                // Written either way, kept only for a new vertex.
                *predictor = {e.to, e.from, e.apex};
                predictor += add;
                opposite = pick(vertexCount, prevFrom);
                vertexCount += add;
                const uint32_t left = pick(e.prev, prevPrev);
                retired[e.prev >> 6] |= uint64_t(add ^ 1) << (e.prev & 63);
                front[left].next = F;
                front[e.next].prev = F + add;
                next = {pick(e.from, opposite), pick(opposite, e.to), pick(e.to, e.from), left, pick(F + 1, e.next)};
                front[F] = next;
                // The second edge of a split, written either way.
                front[F + 1] = {opposite, e.to, e.from, F, e.next};
                queue[queueSize] = F + 1;
                queueSize += add;
                p = F;
                F += 1 + add;
            } else if (s == REUSE_VERTEX) {
                opposite = readVertex();
                front[e.prev].next = F;
                front[e.next].prev = F + 1;
                queue[queueSize++] = F + 1;
                next = {e.from, opposite, e.to, e.prev, F + 1};
                p = F;
                append(e.from, opposite, e.to, e.prev, F + 1);
                append(opposite, e.to, e.from, F - 1, e.next);
            } else if (s == FOLD_NEXT) {
                const FrontEdge N = front[e.next];
                opposite = N.to;
                retire(e.next);
                front[N.next].prev = F;
                front[e.prev].next = F;
                next = {e.from, N.to, e.to, e.prev, N.next};
                p = F;
                append(e.from, N.to, e.to, e.prev, N.next);
            } else if (s == FOLD_BOTH) {
                const FrontEdge P = front[e.prev];
                const FrontEdge N = front[e.next];
                retire(e.prev);
                retire(e.next);
                front[P.prev].next = N.next;
                front[N.next].prev = P.prev;
                writeTriangle(e.to, e.from, P.from);
                break;
            } else if (s == POSTPONE) {
                postponed_.reserveMore(1);
                postponed_.append(p);
                break;
            } else {  // SKIP_EDGE
                break;
            }
            writeTriangle(e.to, e.from, opposite);
            e = next;
            if (budget == 0 && !refill())
                goto done;
            --budget;
        }
    }
done:
    front_.setSize(F);
    edgeQueue_.setSize(queueSize);
    predictors.setSize(size_t(predictor - predictors.data()));
    symbolPos = sym;
    nextVertex = vertexCount;
}

}  // namespace crt
