#include "crt/encode/TunstallEncoder.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "crt/Tunstall.h"
#include "crt/encode/EncodeError.h"

namespace crt::enc {
namespace {

void buildTable(const std::array<uint64_t, 256>& count, uint64_t n, TunstallBlock& block) {
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

void buildTable(const uint8_t* data, size_t n, TunstallBlock& block) {
    std::array<uint64_t, 256> count{};
    for (size_t i = 0; i < n; ++i) ++count[data[i]];
    buildTable(count, n, block);
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

// Cuts the input into dictionary words, longest match first, and hands each
// word's code to emit. False when the table cannot code the input.
template <class Emit>
bool parse(const WordTrie& trie, const uint8_t* data, size_t n, Emit&& emit) {
    size_t pos = 0;
    while (pos < n) {
        int node = 0;
        int bestCode = -1;
        size_t bestEnd = pos;
        size_t i = pos;
        while (i < n) {
            const int column = trie.column(data[i]);
            if (column < 0) return false;
            const int next = trie.child(node, column);
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
            const int code = trie.anyCodeBelow(node);
            if (code < 0) return false;
            emit(code);
            return true;
        }
        if (bestCode < 0) return false;
        emit(bestCode);
        pos = bestEnd;
    }
    return true;
}

// The number of codes the table gives the input, or -1 when it cannot code it.
int64_t codeCount(const uint8_t* data, size_t n, const std::vector<uint8_t>& symbols, const std::vector<uint8_t>& probs) {
    TunstallDictionary dict;
    if (!buildTunstallDictionary(symbols.data(), probs.data(), static_cast<int>(symbols.size()), dict)) return -1;
    const WordTrie trie(dict, symbols);
    int64_t codes = 0;
    return parse(trie, data, n, [&](int) { ++codes; }) ? codes : -1;
}

// Moves one probability at a time by a few steps each way and keeps every
// move that saves codes, until a round saves nothing or the tries run out.
// The stored probabilities need not be the counted ones: they only shape
// the dictionary, which both sides build alike.
void searchTable(const uint8_t* data, size_t n, int budget, TunstallBlock& block) {
    int64_t best = codeCount(data, n, block.symbols, block.probs);
    if (best < 0) return;
    static constexpr int kSteps[] = {1, -1, 3, -3, 8, -8};
    bool improved = true;
    while (improved && budget > 0) {
        improved = false;
        for (size_t i = 0; i < block.probs.size() && budget > 0; ++i) {
            for (int step : kSteps) {
                const int p = block.probs[i] + step;
                if (p < 0 || p > 255 || budget <= 0) continue;
                std::vector<uint8_t> probs = block.probs;
                probs[i] = static_cast<uint8_t>(p);
                --budget;
                const int64_t codes = codeCount(data, n, block.symbols, probs);
                if (codes >= 0 && codes < best) {
                    best = codes;
                    block.probs = std::move(probs);
                    improved = true;
                    break;
                }
            }
        }
    }
}

}  // namespace

TunstallBlock tunstallEncode(const uint8_t* data, size_t n, int searchBudget) {
    TunstallBlock block;
    if (n == 0) return block;
    buildTable(data, n, block);
    const int S = static_cast<int>(block.symbols.size());
    if (S == 1) return block;  // the decoder fills; no codes needed
    if (searchBudget > 0) searchTable(data, n, searchBudget, block);

    TunstallDictionary dict;
    if (!buildTunstallDictionary(block.symbols.data(), block.probs.data(), S, dict))
        throw EncodeError("the Tunstall dictionary could not be built");
    const WordTrie trie(dict, block.symbols);
    if (!parse(trie, data, n, [&](int code) { block.codes.push_back(static_cast<uint8_t>(code)); }))
        throw EncodeError("Tunstall coding found no word for the input");
    return block;
}

double estimatedTunstallBytes(const std::array<uint64_t, 256>& histogram) {
    uint64_t n = 0;
    for (uint64_t c : histogram) n += c;
    if (n == 0) return 9.0;
    TunstallBlock block;
    buildTable(histogram, n, block);
    const size_t S = block.symbols.size();
    const double fixed = double(1 + 2 * S + 8);
    if (S == 1) return fixed;
    TunstallDictionary dict;
    if (!buildTunstallDictionary(block.symbols.data(), block.probs.data(), static_cast<int>(S), dict))
        return fixed + double(n);
    // A parse ends at word w unless the next symbol continues it into a
    // longer word: the symbols a code takes on average, for independent
    // symbols of these frequencies.
    std::map<std::string, double> chance;
    for (int code = 0; code < kTunstallCodes; ++code) {
        if (dict.length[code] == 0) continue;
        const std::string word(reinterpret_cast<const char*>(dict.store.data()) + dict.offset[code], dict.length[code]);
        double p = 1.0;
        for (unsigned char c : word) p *= double(histogram[c]) / double(n);
        chance.emplace(word, p);
    }
    double symbolsPerCode = 0.0;
    for (const auto& [word, p] : chance) {
        double ends = p;
        for (size_t c = 0; c < S; ++c) {
            const auto longer = chance.find(word + char(block.symbols[c]));
            if (longer != chance.end()) ends -= longer->second;
        }
        symbolsPerCode += ends * double(word.size());
    }
    return symbolsPerCode > 0.0 ? fixed + double(n) / symbolsPerCode : fixed + double(n);
}

size_t tunstallBlockBytes(const TunstallBlock& block) { return 1 + 2 * block.symbols.size() + 8 + block.codes.size(); }

}  // namespace crt::enc
