#include "crt/ByteArray.h"

#include <algorithm>
#include <cstring>

#include "crt/Format.h"
#include "crt/Tunstall.h"

namespace crt {

namespace {

// Words of up to this many bytes are copied as one fixed-size block; the
// output and the word store carry this much slack behind their ends.
constexpr size_t kCopySlack = 16;

void checkEntropy(int32_t entropy)
{
    if (entropy != ENTROPY_RAW && entropy != ENTROPY_TUNSTALL)
        throw kUnknownEntropy;
}

// Tunstall block: uint8 S, S (symbol, probability) pairs, uint32 output length
// L, uint32 code length K, K code bytes, each naming one dictionary word.
ByteView readTunstall(ByteCursor& in, std::vector<uint8_t>& storage, uint64_t maxLength)
{
    const uint32_t S = in.u8();
    const uint8_t* pairs = in.take(2 * S);
    const uint32_t L = in.u32();
    const uint32_t K = in.u32();
    const uint8_t* codes = in.take(K);
    if (L > maxLength)
        throw kCorrupt;
    if (L == 0)
        return {};
    if (S == 0)
        throw kCorrupt;  // output but no symbol to make it of
    if (S == 1) {
        storage.assign(L, pairs[0]);
        return {storage.data(), L};
    }
    if (K == 0)
        throw kCorrupt;

    uint8_t symbols[256], probs[256];
    for (uint32_t i = 0; i < S; ++i) {
        symbols[i] = pairs[2 * i];
        probs[i] = pairs[2 * i + 1];
    }
    TunstallDictionary dict;
    if (!buildTunstallDictionary(symbols, probs, int(S), dict))
        throw kCorrupt;
    const uint16_t longest = *std::max_element(std::begin(dict.length), std::end(dict.length));
    if (L > uint64_t(K) * longest)
        throw kCorrupt;  // more output than the codes could make

    uint8_t store[kTunstallStoreBytes + kCopySlack] = {};
    std::memcpy(store, dict.store.data(), kTunstallStoreBytes);
    storage.resize(size_t(L) + kCopySlack);
    uint8_t* out = storage.data();
    size_t produced = 0;
    uint32_t i = 0;
    // Runs of codes that cannot reach the output length even if every word
    // were the longest, copied without a check per code.
    constexpr uint32_t kRun = 64;
    if (longest <= kCopySlack) {
        while (uint64_t(K - 1 - i) >= kRun && produced + size_t(kRun) * longest <= L) {
            for (const uint32_t runEnd = i + kRun; i < runEnd; ++i) {
                const uint8_t code = codes[i];
                std::memcpy(out + produced, store + dict.offset[code], kCopySlack);
                produced += dict.length[code];
            }
        }
    }
    for (; i + 1 < K; ++i) {
        const uint8_t code = codes[i];
        const size_t length = dict.length[code];
        if (length > L - produced)
            throw kCorrupt;  // the word runs past the output length
        const uint8_t* word = store + dict.offset[code];
        if (length <= kCopySlack)
            std::memcpy(out + produced, word, kCopySlack);
        else
            std::memcpy(out + produced, word, length);
        produced += length;
    }
    // The last code contributes only what is still missing of the output.
    const uint8_t last = codes[K - 1];
    const size_t missing = L - produced;
    if (missing > dict.length[last])
        throw kCorrupt;
    std::memcpy(out + produced, store + dict.offset[last], missing);
    return {out, L};
}

}  // namespace

ByteView readByteArray(ByteCursor& in, std::vector<uint8_t>& storage, uint64_t maxLength)
{
    checkEntropy(in.entropy);
    if (in.entropy == ENTROPY_TUNSTALL)
        return readTunstall(in, storage, maxLength);
    const uint32_t L = in.u32();
    const uint8_t* data = in.take(L);
    if (L > maxLength)
        throw kCorrupt;
    return {data, L};
}

void skipByteArray(ByteCursor& in)
{
    checkEntropy(in.entropy);
    if (in.entropy == ENTROPY_TUNSTALL) {
        const uint32_t S = in.u8();
        in.skip(2 * S);
        in.u32();
        in.skip(in.u32());
    } else {
        in.skip(in.u32());
    }
}

}  // namespace crt
