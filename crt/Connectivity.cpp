#include "crt/Connectivity.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "crt/Format.h"

namespace crt {

namespace {

// a when cond is 1, b when it is 0, without a branch: the traversal's
// commonest symbols alternate with no pattern a branch predictor could learn.
inline uint32_t choose(uint32_t cond, uint32_t a, uint32_t b)
{
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
    // GCC turns a conditional expression into a branch here.
    __asm__("testl %1, %1\n\tcmovnel %2, %0" : "+r"(b) : "r"(cond), "rm"(a) : "cc");
    return b;
#else
    return cond ? a : b;
#endif
}

}  // namespace

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
        const uint8_t properties = in.u8();
        for (uint16_t i = 0; i < 2 * properties; ++i)  // a key and a value each
            in.skip(in.u16());
    }
    // Groups that stop short of NF would leave indices unwritten.
    if (previousEnd != NF)
        throw kCorrupt;
}

uint64_t Connectivity::workingBytes(uint64_t NV, uint64_t NF, uint64_t G)
{
    const uint64_t front = frontEntriesFor(NF);
    const uint64_t marks = 2 * sizeof(uint64_t) * (3 * NF / 64 + 2);
    return front * (sizeof(FrontEdge) + sizeof(uint32_t)) + marks +
           sizeof(Predictor) * (std::min(NV, 3 * NF) + 1) + sizeof(FaceGroup) * G;
}

void Connectivity::releaseWorkingMemory()
{
    predictors.release();
    front_.release();
    postponed_.release();
    std::vector<uint64_t>().swap(marks_);
    std::vector<FaceGroup>().swap(groups);
    std::vector<uint8_t>().swap(symbolStorage);
    symbols = {};
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
    // Growth stops where the group cannot go, so that a false hint costs no
    // more than the largest front the group could have.
    const size_t mostFront = size_t(frontEntriesFor(triangles));
    postponed_.clear();
    // Two marks per front position, kept as pairs of words for 64 positions
    // each: retired (the edge has left the front) and queued. The queue holds
    // rising positions (every edge queued was just appended), so the queued
    // marks at or after the read position are the queue itself.
    marks_.assign(2 * size_t(3 * triangles / 64 + 2), 0);
    uint64_t* const marks = marks_.data();
    auto retire = [marks](uint32_t position) { marks[2 * (position >> 6)] |= uint64_t(1) << (position & 63); };
    auto isRetired = [marks](uint32_t position) { return (marks[2 * (position >> 6)] >> (position & 63)) & 1; };
    auto enqueue = [marks](uint32_t position, uint32_t yes) {
        marks[2 * (position >> 6) + 1] |= uint64_t(yes) << (position & 63);
    };
    // A triangle creates at most three vertices, and never more than NV; one
    // more slot takes the predictor the common step writes before it knows
    // whether it keeps it.
    predictors.reserve(size_t(std::min<uint64_t>(NV, nextVertex + 3 * triangles)) + 1);

    FrontEdge* front = front_.data();
    uint32_t queueRead = 0;  // the queue's entries before this position are read
    Predictor* predictor = predictors.data() + predictors.size();
    uint32_t F = 0;  // front size
    const uint8_t* const symbolData = symbols.data;
    const uint8_t* const symbolEnd = symbols.data + symbols.size;
    const uint8_t* sp = symbolData + symbolPos;
    uint32_t vertexCount = nextVertex;
    Index* o = out + start;
    Index* const oEnd = out + end;

    // The loop runs steps until the symbol pointer reaches spLimit: as many
    // as fit in the room the buffers have, in the symbols, in the triangles
    // left and in the vertices left. A step reads one symbol, writes at most
    // one triangle, appends at most three front and queue entries and, on
    // the edges, makes at most one vertex (a new component checks its own).
    const uint8_t* spLimit = sp;
    // Makes room for more steps; false once the group's triangles are written.
    auto refill = [&]() -> bool {
        if (o >= oEnd)
            return false;
        front_.setSize(F);
        front_.reserveMore(3, mostFront);
        front = front_.data();
        // A triangle is still missing, and every triangle takes a symbol.
        if (sp >= symbolEnd)
            throw kCorrupt;
        size_t steps = std::min({(front_.capacity() - F) / 3, size_t(symbolEnd - sp), size_t(oEnd - o) / 3});
        if (vertexCount < NV) {
            steps = std::min(steps, size_t(NV - vertexCount));
        } else {
            // Every vertex is made: the steps up to the next ADD_VERTEX cannot
            // make one. That symbol itself, whether an edge or a new
            // component takes it, asks for a vertex too many.
            const void* add = std::memchr(sp, ADD_VERTEX, steps);
            if (add == sp)
                throw kCorrupt;
            if (add)
                steps = size_t(static_cast<const uint8_t*>(add) - sp);
        }
        spLimit = sp + steps;
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
    // Field by field: a wider store would be put together from registers
    // first, and the next step loads these fields one by one.
    auto put = [&](uint32_t at, uint32_t from, uint32_t to, uint32_t apex, uint32_t prev, uint32_t next) {
        FrontEdge& edge = front[at];
        edge.from = from;
        edge.to = to;
        edge.apex = apex;
        edge.prev = prev;
        edge.next = next;
    };

    for (;;) {
        if (sp == spLimit && !refill())
            break;
        // The first queued edge still on the front; most queued edges have
        // been folded over by the time they come up.
        uint32_t p = F;
        for (uint32_t word = queueRead >> 6; uint64_t(word) * 64 < F; ++word) {
            uint64_t waiting = marks[2 * word + 1] & ~marks[2 * word];
            if (word == queueRead >> 6)
                waiting &= ~uint64_t(0) << (queueRead & 63);
            if (waiting) {
                p = word * 64 + uint32_t(std::countr_zero(waiting));
                break;
            }
        }
        if (p < F) {
            queueRead = p + 1;
        } else if (!postponed_.empty()) {
            p = postponed_.back();
            postponed_.popBack();
            if (isRetired(p))
                continue;
        } else {
            // A new component: one triangle of new or explicitly named vertices.
            uint32_t last = vertexCount - 1;
            const uint32_t flags = *sp++ == REUSE_VERTEX ? indexBits.read(3) : 0;
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
            put(f, v[1], v[2], v[0], f + 2, f + 1);
            put(f + 1, v[2], v[0], v[1], f, f + 2);
            put(f + 2, v[0], v[1], v[2], f + 1, f);
            F += 3;
            enqueue(f, 1);
            enqueue(f + 1, 1);
            enqueue(f + 2, 1);
            // The step made up to three vertices, where the others make one.
            spLimit = std::min(spLimit, sp + (NV - vertexCount));
            continue;
        }

        // The chain from the edge e at position p, kept as it was when it was
        // taken: the front entry's prev and next may change during a step.
        uint32_t eFrom = front[p].from;
        uint32_t eTo = front[p].to;
        uint32_t eApex = front[p].apex;
        uint32_t ePrev = front[p].prev;
        uint32_t eNext = front[p].next;
        for (;;) {
            const uint32_t s = *sp++;
            uint32_t opposite;
            // The next edge's start: e's own, but for FOLD_PREV; its end is
            // the opposite vertex, but for FOLD_PREV.
            uint32_t nextFrom = eFrom;
            uint32_t nextTo;
            if (s <= FOLD_PREV) {
                // The two commonest symbols, which no branch predictor can
                // tell apart, share one path without branches. ADD_VERTEX
                // splits e at a new vertex x into (from, x), worked on next,
                // and (x, to), queued. FOLD_PREV closes onto the previous
                // edge's start: one edge (P.from, to) replaces the previous
                // edge and e. Both write (from, x) at F, then the edge ending
                // at e.to at F + add, which for FOLD_PREV overwrites the first.
                const uint32_t add = s ^ 1u;
                // The previous edge as it was before this step's stores.
                const uint32_t prevFrom = front[ePrev].from;
                const uint32_t prevPrev = front[ePrev].prev;
                // Written either way, kept only for a new vertex.
                *predictor = {eTo, eFrom, eApex};
                predictor += add;
                opposite = choose(add, vertexCount, prevFrom);
                vertexCount += add;
                const uint32_t left = choose(add, ePrev, prevPrev);
                marks[2 * (ePrev >> 6)] |= uint64_t(s) << (ePrev & 63);
                front[left].next = F;
                front[eNext].prev = F + add;
                put(F, eFrom, opposite, eTo, ePrev, F + 1);
                put(F + add, opposite, eTo, eFrom, choose(add, F, left), eNext);
                enqueue(F + 1, add);
                eNext = choose(add, F + 1, eNext);
                ePrev = left;
                nextFrom = choose(add, eFrom, opposite);
                nextTo = choose(add, opposite, eTo);
                eApex = choose(add, eTo, eFrom);
                p = F;
                F += 1 + add;
            } else if (s == REUSE_VERTEX) {
                opposite = readVertex();
                front[ePrev].next = F;
                front[eNext].prev = F + 1;
                enqueue(F + 1, 1);
                put(F, eFrom, opposite, eTo, ePrev, F + 1);
                put(F + 1, opposite, eTo, eFrom, F, eNext);
                nextTo = opposite;
                eApex = eTo;
                eNext = F + 1;
                p = F;
                F += 2;
            } else if (s == FOLD_NEXT) {
                // The next edge as it was before this step's stores.
                const uint32_t nextNext = front[eNext].next;
                opposite = front[eNext].to;
                retire(eNext);
                front[nextNext].prev = F;
                front[ePrev].next = F;
                put(F, eFrom, opposite, eTo, ePrev, nextNext);
                nextTo = opposite;
                eApex = eTo;
                eNext = nextNext;
                p = F;
                F += 1;
            } else if (s == FOLD_BOTH) {
                const uint32_t prevFrom = front[ePrev].from;
                const uint32_t prevPrev = front[ePrev].prev;
                const uint32_t nextNext = front[eNext].next;
                retire(ePrev);
                retire(eNext);
                front[prevPrev].next = nextNext;
                front[nextNext].prev = prevPrev;
                writeTriangle(eTo, eFrom, prevFrom);
                break;
            } else if (s == POSTPONE) {
                postponed_.reserveMore(1, mostFront);
                postponed_.append(p);
                break;
            } else {  // SKIP_EDGE
                break;
            }
            writeTriangle(eTo, eFrom, opposite);
            eFrom = nextFrom;
            eTo = nextTo;
            if (sp == spLimit && !refill())
                goto done;
        }
    }
done:
    front_.setSize(F);
    predictors.setSize(size_t(predictor - predictors.data()));
    symbolPos = uint64_t(sp - symbolData);
    nextVertex = vertexCount;
}

}  // namespace crt
