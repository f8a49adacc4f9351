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
// its end; the front gains at most three entries per triangle written.
template <class Index>
void Connectivity::traverse(Index* out, uint64_t start, uint64_t end, uint64_t& symbolPos, uint32_t& nextVertex,
                            uint32_t NV)
{
    constexpr uint32_t kNone = UINT32_MAX;
    const unsigned indexWidth = std::max(1u, unsigned(std::bit_width(NV)));
    const uint64_t triangles = (end - start) / 3;

    front_.clear();
    edgeQueue_.clear();
    postponed_.clear();
    front_.reserve(size_t(std::min<uint64_t>(front_capacity, 3 * triangles)));
    edgeQueue_.reserve(size_t((end - start) / 2));
    size_t queueRead = 0;
    uint32_t pending = kNone;

    const uint8_t* const symbolData = symbols.data;
    const uint64_t symbolCount = symbols.size;
    auto nextSymbol = [&]() -> uint8_t {
        if (symbolPos >= symbolCount)
            throw kCorrupt;  // fewer symbols than triangles need
        const uint8_t s = symbolData[symbolPos++];
        if (s > REUSE_VERTEX)
            throw kCorrupt;
        return s;
    };
    auto readVertex = [&]() -> uint32_t {
        const uint32_t v = indexBits.read(indexWidth);
        if (v >= NV)
            throw kCorrupt;
        return v;
    };
    auto newVertex = [&](Predictor predictor) -> uint32_t {
        if (nextVertex >= NV)
            throw kCorrupt;
        predictors.push_back(predictor);
        return nextVertex++;
    };
    auto writeTriangle = [&](uint32_t a, uint32_t b, uint32_t c) {
        out[start] = Index(a);
        out[start + 1] = Index(b);
        out[start + 2] = Index(c);
        start += 3;
    };

    while (start < end) {
        uint32_t p;
        if (pending != kNone) {
            p = pending;
            pending = kNone;
        } else if (queueRead < edgeQueue_.size()) {
            p = edgeQueue_[queueRead++];
        } else if (!postponed_.empty()) {
            p = postponed_.back();
            postponed_.pop_back();
        } else {
            // A new component: one triangle of new or explicitly named vertices.
            uint32_t last = nextVertex - 1;
            const uint32_t flags = nextSymbol() == REUSE_VERTEX ? indexBits.read(3) : 0;
            uint32_t v[3];
            for (int k = 0; k < 3; ++k) {
                if (flags & (1u << k)) {
                    v[k] = readVertex();
                } else {
                    v[k] = newVertex({last, last, last});
                    last = v[k];
                }
            }
            writeTriangle(v[0], v[1], v[2]);
            const uint32_t f = uint32_t(front_.size());
            front_.push_back({v[1], v[2], v[0], f + 2, f + 1, false});
            front_.push_back({v[2], v[0], v[1], f, f + 2, false});
            front_.push_back({v[0], v[1], v[2], f + 1, f, false});
            edgeQueue_.push_back(f);
            edgeQueue_.push_back(f + 1);
            edgeQueue_.push_back(f + 2);
            continue;
        }

        const FrontEdge e = front_[p];
        if (e.retired)
            continue;
        const uint8_t s = nextSymbol();
        const uint32_t F = uint32_t(front_.size());
        uint32_t opposite;
        switch (s) {
        case SKIP_EDGE:
            continue;
        case POSTPONE:
            postponed_.push_back(p);
            continue;
        case ADD_VERTEX:
        case REUSE_VERTEX:
            opposite = s == ADD_VERTEX ? newVertex({e.to, e.from, e.apex}) : readVertex();
            front_[e.prev].next = F;
            front_[e.next].prev = F + 1;
            front_.push_back({e.from, opposite, e.to, e.prev, F + 1, false});
            edgeQueue_.push_back(F + 1);
            front_.push_back({opposite, e.to, e.from, F, e.next, false});
            pending = F;
            break;
        case FOLD_PREV: {
            const FrontEdge P = front_[e.prev];
            opposite = P.from;
            front_[e.prev].retired = true;
            front_[P.prev].next = F;
            front_[e.next].prev = F;
            front_.push_back({P.from, e.to, e.from, P.prev, e.next, false});
            pending = F;
            break;
        }
        case FOLD_NEXT: {
            const FrontEdge N = front_[e.next];
            opposite = N.to;
            front_[e.next].retired = true;
            front_[N.next].prev = F;
            front_[e.prev].next = F;
            front_.push_back({e.from, N.to, e.to, e.prev, N.next, false});
            pending = F;
            break;
        }
        default: {  // FOLD_BOTH
            const FrontEdge P = front_[e.prev];
            const FrontEdge N = front_[e.next];
            opposite = P.from;
            front_[e.prev].retired = true;
            front_[e.next].retired = true;
            front_[P.prev].next = N.next;
            front_[N.next].prev = P.prev;
            break;
        }
        }
        writeTriangle(e.to, e.from, opposite);
    }
}

}  // namespace crt
