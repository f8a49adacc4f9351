#include "crt/Tunstall.h"

#include <algorithm>
#include <cstring>

namespace crt {

namespace {

constexpr uint32_t kBase = kTunstallCodes;  // words in a finished dictionary
constexpr uint32_t kSlots = 2 * kBase;      // slot r * S + c: row r, column c

// Working state: every slot is a word ending with the symbol of its column;
// each column is a queue of slots whose head is the next word to expand.
struct Builder {
    const uint8_t* sym;
    const uint8_t* p;
    uint32_t S;
    uint32_t prob[kSlots] = {};
    uint16_t off[kSlots] = {};
    uint16_t len[kSlots] = {};
    uint32_t head[256] = {};
    uint32_t words = 0;      // F: words in the dictionary so far
    uint32_t slots = 0;      // I: next free slot
    uint32_t storeUsed = 0;  // next free byte of the word store
    uint8_t* store;
};

// Length of the run of the first symbol that the fast start lays out at once,
// or 0 when the table takes the plain start. The fast start is taken when the
// first symbol outweighs the second's probability even squared, whether or not
// the run then stops at the limit the dictionary size sets.
uint32_t fastStartRun(const Builder& b)
{
    const uint32_t P0 = uint32_t(b.p[0]) << 8;
    const uint32_t P1 = uint32_t(b.p[1]) << 8;
    uint32_t pr = (P0 * P0) >> 16;
    uint32_t rep = 2;
    const uint32_t maxrep = (kBase - 1) / (b.S - 1);
    if (!(P1 < pr))
        return 0;
    while (rep < maxrep) {
        pr = (pr * P0) >> 16;
        ++rep;
        if (pr <= P1)
            break;
    }
    return rep >= 16 ? rep : 0;
}

// Lays out R - 1 expansions of the first symbol's chain in one go: row m
// holds the words sym0^m sym(c), sharing one run of sym0 in the store.
void fastStart(Builder& b, uint32_t R)
{
    const uint32_t S = b.S;
    b.store[0] = b.sym[0];
    for (uint32_t c = 1; c < S; ++c) {
        std::memset(b.store + (c - 1) * R + 1, b.sym[0], R - 1);
        b.store[c * R] = b.sym[c];
    }
    b.head[0] = S * (R - 1);
    for (uint32_t c = 1; c < S; ++c) {
        b.head[c] = c;
        b.prob[c] = uint32_t(b.p[c]) << 8;
        b.off[c] = uint16_t(c * R);
        b.len[c] = 1;
    }
    const uint32_t P0 = uint32_t(b.p[0]) << 8;
    uint32_t Q = P0;  // probability of sym0^m
    for (uint32_t m = 1; m < R; ++m) {
        for (uint32_t c = 1; c < S; ++c) {
            const uint32_t slot = m * S + c;
            b.prob[slot] = (uint32_t(b.p[c]) * 256 * Q) >> 16;
            b.off[slot] = uint16_t(c * R - m);
            b.len[slot] = uint16_t(m + 1);
        }
        Q = (Q * P0) >> 16;
    }
    const uint32_t last = S * (R - 1);
    b.prob[last] = Q;
    b.off[last] = 0;
    b.len[last] = uint16_t(R);
    b.words = (S - 1) * R + 1;
    b.slots = S * R;
    b.storeUsed = (S - 1) * R + 1;
}

void plainStart(Builder& b)
{
    for (uint32_t c = 0; c < b.S; ++c) {
        b.head[c] = c;
        b.prob[c] = uint32_t(b.p[c]) << 8;
        b.off[c] = uint16_t(c);
        b.len[c] = 1;
        b.store[c] = b.sym[c];
    }
    b.words = b.S;
    b.slots = b.S;
    b.storeUsed = b.S;
}

// Expands the most probable head word until the dictionary holds kBase words.
// Fails when the words would overflow the slots or the word store.
bool grow(Builder& b)
{
    const uint32_t S = b.S;
    while (b.words < kBase) {
        uint32_t best = 0;
        for (uint32_t c = 1; c < S; ++c)
            if (b.prob[b.head[c]] > b.prob[b.head[best]])
                best = c;
        const uint32_t w = b.head[best];
        const uint32_t P = b.prob[w];
        const uint32_t wordLen = b.len[w];
        uint32_t made = 0;
        for (uint32_t c = 0; c < S; ++c) {
            if (b.slots >= kSlots || b.storeUsed + wordLen + 1 > uint32_t(kTunstallStoreBytes))
                return false;
            const uint32_t slot = b.slots++;
            b.prob[slot] = (uint32_t(b.p[c]) * 256 * P) >> 16;
            b.len[slot] = uint16_t(wordLen + 1);
            b.off[slot] = uint16_t(b.storeUsed);
            std::memmove(b.store + b.storeUsed, b.store + b.off[w], wordLen);
            b.store[b.storeUsed + wordLen] = b.sym[c];
            b.storeUsed += wordLen + 1;
            ++made;
            if (b.words + c + 1 == kBase)
                break;
        }
        if (made == S)
            b.head[best] += S;
        b.words += S - 1;
    }
    return true;
}

}  // namespace

bool buildTunstallDictionary(const uint8_t* symbols, const uint8_t* probs, int S,
                             TunstallDictionary& out)
{
    if (S <= 1)
        return true;
    if (S > 256)
        return false;
    out.store.assign(kTunstallStoreBytes, 0);
    Builder b;
    b.sym = symbols;
    b.p = probs;
    b.S = uint32_t(S);
    b.store = out.store.data();

    const uint32_t R = fastStartRun(b);
    if (R)
        fastStart(b, R);
    else
        plainStart(b);
    if (!grow(b))
        return false;

    std::fill(std::begin(out.offset), std::end(out.offset), uint16_t(0));
    std::fill(std::begin(out.length), std::end(out.length), uint16_t(0));
    uint32_t code = 0;
    for (uint32_t j = 0; j < b.slots && code < kBase; ++j) {
        if (j >= b.head[j % b.S]) {
            out.offset[code] = b.off[j];
            out.length[code] = b.len[j];
            ++code;
        }
    }
    return true;
}

}  // namespace crt
