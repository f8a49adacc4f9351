#include "crt/encode/TopologyEncoder.h"

#include <bit>

#include "crt/Format.h"
#include "crt/encode/EncodeError.h"
#include "crt/encode/TunstallEncoder.h"

namespace crt::enc {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Half-edges by start vertex: for face (a, b, c) the entries a->b (third c),
// b->c (third a), c->a (third b). Entries of finished faces are dropped
// lazily while searching.
class HalfEdges {
public:
    HalfEdges(const std::vector<uint32_t>& indices, uint32_t NV) : begin_(NV + 1, 0), end_(NV, 0) {
        const size_t NF = indices.size() / 3;
        for (uint32_t v : indices) ++begin_[v + 1];
        for (uint32_t v = 0; v < NV; ++v) begin_[v + 1] += begin_[v];
        entries_.resize(indices.size());
        for (uint32_t v = 0; v < NV; ++v) end_[v] = begin_[v];
        for (size_t f = 0; f < NF; ++f) {
            for (int k = 0; k < 3; ++k) {
                const uint32_t a = indices[3 * f + k];
                entries_[end_[a]++] = {indices[3 * f + (k + 1) % 3], indices[3 * f + (k + 2) % 3],
                                       static_cast<uint32_t>(f)};
            }
        }
    }

    // An unfinished face of [faceBegin, faceEnd) holding the half-edge from->to;
    // returns the face or kNone, and its third vertex in `third`.
    uint32_t find(uint32_t from, uint32_t to, uint32_t faceBegin, uint32_t faceEnd,
                  const std::vector<uint8_t>& done, uint32_t& third) {
        uint32_t i = begin_[from];
        while (i < end_[from]) {
            const Entry& e = entries_[i];
            if (done[e.face]) {
                entries_[i] = entries_[--end_[from]];
                continue;
            }
            if (e.to == to && e.face >= faceBegin && e.face < faceEnd) {
                third = e.third;
                return e.face;
            }
            ++i;
        }
        return kNone;
    }

private:
    struct Entry {
        uint32_t to, third, face;
    };
    std::vector<uint32_t> begin_;
    std::vector<uint32_t> end_;
    std::vector<Entry> entries_;
};

struct FrontEdge {
    uint32_t from, to, apex, prev, next;
    bool retired;
};

class Traversal {
public:
    Traversal(const std::vector<uint32_t>& indices, uint32_t NV, const TopologyOptions& options, Topology& out)
        : indices_(indices), NV_(NV), options_(options), out_(out), halfEdges_(indices, NV),
          done_(indices.size() / 3, 0), indexBits_(indexBitsFor(NV)) {
        out_.number.assign(NV, kNone);
        out_.order.reserve(NV);
        out_.predictors.reserve(NV);
        out_.faces.reserve(indices.size());
    }

    void group(uint32_t faceBegin, uint32_t faceEnd) {
        front_.clear();
        queue_.clear();
        postponed_.clear();
        size_t queueRead = 0;
        int64_t pending = -1;
        uint32_t cursor = faceBegin;
        uint32_t left = faceEnd - faceBegin;

        while (left > 0) {
            uint32_t p;
            size_t postponement = 0;  // its number, for a postponed edge
            bool wasPostponed = false;
            if (pending >= 0) {
                p = static_cast<uint32_t>(pending);
                pending = -1;
            } else if (queueRead < queue_.size()) {
                p = queue_[queueRead++];
            } else if (!postponed_.empty()) {
                p = postponed_.back().first;
                postponement = postponed_.back().second;
                postponed_.pop_back();
                wasPostponed = true;
            } else {
                while (done_[cursor]) ++cursor;
                startComponent(cursor);
                --left;
                continue;
            }

            const FrontEdge e = front_[p];
            if (e.retired) {
                if (wasPostponed) out_.postponeOutcomes[postponement] = kFoldedOver;
                continue;
            }
            // The symbol this edge gets, as the outcome of its postponement.
            auto emitHere = [&](Symbol s) {
                if (wasPostponed) out_.postponeOutcomes[postponement] = s;
                emit(s);
            };

            uint32_t third = kNone;
            const uint32_t face = halfEdges_.find(out_.order[e.to], out_.order[e.from], faceBegin, faceEnd, done_, third);
            if (face == kNone) {
                emitHere(SKIP_EDGE);
                continue;
            }
            const FrontEdge P = front_[e.prev];
            const FrontEdge N = front_[e.next];
            const uint32_t F = static_cast<uint32_t>(front_.size());
            uint32_t x = out_.number[third];
            const bool onEdge = x == e.from || x == e.to;

            if (x == kNone) {
                emitHere(ADD_VERTEX);
                x = assign(third, {e.to, e.from, e.apex});
                split(e, x, F, pending);
            } else if (!onEdge && x == P.from && x == N.to) {
                emitHere(FOLD_BOTH);
                front_[e.prev].retired = true;
                front_[e.next].retired = true;
                front_[P.prev].next = N.next;
                front_[N.next].prev = P.prev;
            } else if (!onEdge && x == P.from) {
                emitHere(FOLD_PREV);
                front_[e.prev].retired = true;
                front_[P.prev].next = F;
                front_[e.next].prev = F;
                front_.push_back({P.from, e.to, e.from, P.prev, e.next, false});
                pending = F;
            } else if (!onEdge && x == N.to) {
                emitHere(FOLD_NEXT);
                front_[e.next].retired = true;
                front_[N.next].prev = F;
                front_[e.prev].next = F;
                front_.push_back({e.from, N.to, e.to, e.prev, N.next, false});
                pending = F;
            } else if (options_.postpone && !wasPostponed) {
                const size_t k = out_.postponeOutcomes.size();
                out_.postponeOutcomes.push_back(kFoldedOver);
                if (k < options_.postponeAs.size() && options_.postponeAs[k] == SKIP_EDGE) {
                    emit(SKIP_EDGE);
                } else {
                    out_.postponeSymbols.push_back(out_.symbols.size());
                    emit(POSTPONE);
                    postponed_.push_back({p, k});
                }
                continue;
            } else {
                emitHere(REUSE_VERTEX);
                out_.indexBits.put(x, indexBits_);
                split(e, x, F, pending);
            }
            writeFace(face, e.to, e.from, x);
            --left;
            if (front_.size() > out_.frontCapacity) out_.frontCapacity = static_cast<uint32_t>(front_.size());
        }
    }

    // Vertices that no triangle reaches come last, predicted from vertex 0.
    void finishVertices() {
        for (uint32_t v = 0; v < NV_; ++v) {
            if (out_.number[v] != kNone) continue;
            out_.number[v] = static_cast<uint32_t>(out_.order.size());
            out_.order.push_back(v);
            out_.predictors.push_back({0, 0, 0});
        }
    }

private:
    void emit(Symbol s) {
        out_.symbols.push_back(s);
        ++out_.symbolCounts[s];
    }

    // The front change shared by ADD_VERTEX and REUSE_VERTEX: e is replaced by
    // from->x and x->to; the first is worked on next, the second queued.
    void split(const FrontEdge& e, uint32_t x, uint32_t F, int64_t& pending) {
        front_[e.prev].next = F;
        front_[e.next].prev = F + 1;
        front_.push_back({e.from, x, e.to, e.prev, F + 1, false});
        queue_.push_back(F + 1);
        front_.push_back({x, e.to, e.from, F, e.next, false});
        pending = F;
    }

    void writeFace(uint32_t face, uint32_t a, uint32_t b, uint32_t c) {
        done_[face] = 1;
        out_.faces.push_back(a);
        out_.faces.push_back(b);
        out_.faces.push_back(c);
    }

    void startComponent(uint32_t face) {
        uint32_t v[3];
        uint32_t flags = 0;
        uint32_t last = static_cast<uint32_t>(out_.order.size()) - 1;  // wraps to all ones for the first
        for (int k = 0; k < 3; ++k) {
            const uint32_t input = indices_[3 * face + k];
            if (out_.number[input] != kNone) {
                flags |= 1u << k;
                v[k] = out_.number[input];
            } else {
                v[k] = assign(input, {last, last, last});
                last = v[k];
            }
        }
        emit(flags ? REUSE_VERTEX : ADD_VERTEX);
        if (flags) {
            out_.indexBits.put(flags, 3);
            for (int k = 0; k < 3; ++k)
                if (flags & (1u << k)) out_.indexBits.put(v[k], indexBits_);
        }
        done_[face] = 1;
        out_.faces.insert(out_.faces.end(), {v[0], v[1], v[2]});
        const uint32_t f = static_cast<uint32_t>(front_.size());
        front_.push_back({v[1], v[2], v[0], f + 2, f + 1, false});
        front_.push_back({v[2], v[0], v[1], f, f + 2, false});
        front_.push_back({v[0], v[1], v[2], f + 1, f, false});
        queue_.push_back(f);
        queue_.push_back(f + 1);
        queue_.push_back(f + 2);
        if (front_.size() > out_.frontCapacity) out_.frontCapacity = static_cast<uint32_t>(front_.size());
    }

    uint32_t assign(uint32_t input, std::array<uint32_t, 3> predictor) {
        const uint32_t n = static_cast<uint32_t>(out_.order.size());
        out_.number[input] = n;
        out_.order.push_back(input);
        out_.predictors.push_back(predictor);
        return n;
    }

    const std::vector<uint32_t>& indices_;
    uint32_t NV_;
    TopologyOptions options_;
    Topology& out_;
    HalfEdges halfEdges_;
    std::vector<uint8_t> done_;
    int indexBits_;
    std::vector<FrontEdge> front_;
    std::vector<uint32_t> queue_;
    std::vector<std::pair<uint32_t, size_t>> postponed_;  // front position, postponement number
};

}  // namespace

int indexBitsFor(uint32_t NV) { return NV <= 1 ? 1 : 32 - std::countl_zero(NV); }

Topology encodeTopology(const std::vector<uint32_t>& indices, uint32_t NV, const std::vector<uint32_t>& groupEnds,
                        const TopologyOptions& options) {
    if (indices.size() % 3 != 0) throw EncodeError("the index count is not a multiple of 3");
    for (uint32_t v : indices)
        if (v >= NV) throw EncodeError("a triangle names vertex " + std::to_string(v) + " of " + std::to_string(NV));
    const uint32_t NF = static_cast<uint32_t>(indices.size() / 3);
    Topology out;
    Traversal traversal(indices, NV, options, out);
    uint32_t begin = 0;
    for (uint32_t end : groupEnds) {
        if (end < begin || end > NF) throw EncodeError("group ends must rise and stay within the face count");
        traversal.group(begin, end);
        begin = end;
    }
    if (begin != NF) throw EncodeError("the last group must end at the face count");
    traversal.finishVertices();
    return out;
}

Topology encodeTopologyRefined(const std::vector<uint32_t>& indices, uint32_t NV,
                               const std::vector<uint32_t>& groupEnds, Entropy entropy) {
    const Topology first = encodeTopology(indices, NV, groupEnds);
    TopologyOptions options;
    bool anyFoldedOver = false;
    for (uint8_t outcome : first.postponeOutcomes) {
        options.postponeAs.push_back(outcome == SKIP_EDGE ? SKIP_EDGE : POSTPONE);
        anyFoldedOver |= outcome == kFoldedOver;
    }
    Topology second = encodeTopology(indices, NV, groupEnds, options);
    if (!anyFoldedOver || entropy != ENTROPY_TUNSTALL) return second;
    // The edges folded over before they came back may as well be skipped at
    // once: the same traversal, only the symbol array codes differently.
    std::vector<uint8_t> skipped = second.symbols;
    uint64_t relabelled = 0;
    for (size_t k = 0, written = 0; k < first.postponeOutcomes.size(); ++k) {
        if (options.postponeAs[k] != POSTPONE) continue;
        const size_t at = second.postponeSymbols[written++];
        if (first.postponeOutcomes[k] == kFoldedOver) {
            skipped[at] = SKIP_EDGE;
            ++relabelled;
        }
    }
    auto bytes = [](const std::vector<uint8_t>& symbols) {
        return tunstallBlockBytes(tunstallEncode(symbols.data(), symbols.size()));
    };
    if (bytes(skipped) < bytes(second.symbols)) {
        second.symbols = std::move(skipped);
        second.symbolCounts[POSTPONE] -= relabelled;
        second.symbolCounts[SKIP_EDGE] += relabelled;
    }
    return second;
}

}  // namespace crt::enc
