#include "crt/encode/TunstallEncoder.h"

#include <algorithm>
#include <array>

#include "crt/Tunstall.h"
#include "crt/encode/EncodeError.h"

namespace crt::enc {
namespace {

void buildTable(const uint8_t* data, size_t n, TunstallBlock& block) {
    std::array<uint64_t, 256> count{};
    for (size_t i = 0; i < n; ++i) ++count[data[i]];
    struct Entry {
        uint8_t symbol;
        uint8_t prob;
        uint64_t count;
    };
    std::vector<Entry> entries;
    for (int s = 0; s < 256; ++s)
        if (count[s] > 0)
            entries.push_back({static_cast<uint8_t>(s), static_cast<uint8_t>(count[s] * 255 / n), count[s]});
    if (entries.size() > 255) throw EncodeError("a coded array holds more than 255 distinct byte values");
    // Descending probability; among equal bytes the more frequent symbol first.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.prob != b.prob) return a.prob > b.prob;
        return a.count > b.count;
    });
    for (const Entry& e : entries) {
        block.symbols.push_back(e.symbol);
        block.probs.push_back(e.prob);
    }
}

// The dictionary's words as a trie over table columns, so that the input can
// be cut into words by walking it.
class WordTrie {
public:
    WordTrie(const TunstallDictionary& dict, const std::vector<uint8_t>& symbols) : S_(static_cast<int>(symbols.size())) {
        column_.fill(-1);
        for (int c = 0; c < S_; ++c) column_[symbols[c]] = c;
        addNode();
        for (int code = 0; code < kTunstallCodes; ++code) {
            if (dict.length[code] == 0) continue;
            int node = 0;
            for (int k = 0; k < dict.length[code]; ++k) {
                const size_t slot = static_cast<size_t>(node) * S_ + column_[dict.store[dict.offset[code] + k]];
                if (child_[slot] < 0) {
                    const int made = addNode();  // grows child_, so index again
                    child_[slot] = made;
                }
                node = child_[slot];
            }
            if (code_[node] < 0) code_[node] = code;
        }
    }

    int column(uint8_t symbol) const { return column_[symbol]; }
    int child(int node, int c) const { return child_[static_cast<size_t>(node) * S_ + c]; }
    int code(int node) const { return code_[node]; }
    // Any word that starts with the path to node (the end of the input may
    // stop inside a word; the decoder cuts it).
    int anyCodeBelow(int node) const {
        while (code_[node] < 0) {
            int next = -1;
            for (int c = 0; c < S_ && next < 0; ++c) next = child(node, c);
            if (next < 0) return -1;
            node = next;
        }
        return code_[node];
    }

private:
    int addNode() {
        child_.resize(child_.size() + S_, -1);
        code_.push_back(-1);
        return static_cast<int>(code_.size()) - 1;
    }

    int S_;
    std::array<int, 256> column_{};
    std::vector<int> child_;
    std::vector<int> code_;
};

}  // namespace

TunstallBlock tunstallEncode(const uint8_t* data, size_t n) {
    TunstallBlock block;
    if (n == 0) return block;
    buildTable(data, n, block);
    const int S = static_cast<int>(block.symbols.size());
    if (S == 1) return block;  // the decoder fills; no codes needed

    TunstallDictionary dict;
    if (!buildTunstallDictionary(block.symbols.data(), block.probs.data(), S, dict))
        throw EncodeError("the Tunstall dictionary could not be built");
    WordTrie trie(dict, block.symbols);

    // Longest match at every position: walk while the trie goes on, then emit
    // the deepest word met on the way.
    size_t pos = 0;
    while (pos < n) {
        int node = 0;
        int bestCode = -1;
        size_t bestEnd = pos;
        size_t i = pos;
        while (i < n) {
            int next = trie.child(node, trie.column(data[i]));
            if (next < 0) break;
            node = next;
            ++i;
            if (trie.code(node) >= 0) {
                bestCode = trie.code(node);
                bestEnd = i;
            }
        }
        if (i == n && trie.code(node) < 0) {
            // The input ends inside a word: any word continuing it will do.
            int code = trie.anyCodeBelow(node);
            if (code < 0) throw EncodeError("Tunstall coding found no word for the end of the input");
            block.codes.push_back(static_cast<uint8_t>(code));
            break;
        }
        if (bestCode < 0) throw EncodeError("Tunstall coding found no word for the input");
        block.codes.push_back(static_cast<uint8_t>(bestCode));
        pos = bestEnd;
    }
    return block;
}

}  // namespace crt::enc
