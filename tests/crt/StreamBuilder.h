#pragma once
// Test-only writer for hand-made crt streams: primitive fields, counted
// strings, bit streams and coded arrays, laid out exactly as the decoder reads
// them. It knows nothing about meshes; tests spell out each section.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "crt/Format.h"
#include "crt/Tunstall.h"

namespace crttest {

// Packs bit fields most-significant bit first into 32-bit words.
class BitWriter {
public:
    BitWriter& put(uint32_t value, unsigned n)
    {
        for (unsigned i = n; i-- > 0;) {
            if (used_ % 32 == 0)
                words_.push_back(0);
            if ((value >> i) & 1u)
                words_.back() |= 1u << (31 - used_ % 32);
            ++used_;
        }
        return *this;
    }
    const std::vector<uint32_t>& words() const { return words_; }

private:
    std::vector<uint32_t> words_;
    unsigned used_ = 0;
};

struct Descriptor {
    std::string name;
    int32_t codec = crt::KIND_GENERIC;
    float q = 1.0f;
    uint8_t N = 3;
    uint8_t format = crt::FMT_F32;
    uint8_t strategy = 0;
};

class StreamBuilder {
public:
    std::vector<uint8_t> bytes;
    uint8_t entropy = crt::ENTROPY_RAW;  // how codedArray writes, set by header()

    size_t size() const { return bytes.size(); }

    StreamBuilder& u8(uint8_t v)
    {
        bytes.push_back(v);
        return *this;
    }
    StreamBuilder& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    StreamBuilder& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    StreamBuilder& i32(int32_t v) { return u32(uint32_t(v)); }
    StreamBuilder& f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
    StreamBuilder& raw(const std::vector<uint8_t>& data)
    {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    // Counted string: n = text length + 1, the text and its zero byte.
    StreamBuilder& str(const std::string& text)
    {
        u16(uint16_t(text.size() + 1));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return u8(0);
    }

    // Magic, skipped word, entropy, tags, descriptors, NV, NF.
    StreamBuilder& header(uint8_t entropy, const std::vector<Descriptor>& attributes, uint32_t NV, uint32_t NF,
                          const std::vector<std::pair<std::string, std::string>>& tags = {})
    {
        this->entropy = entropy;
        u32(crt::kMagic).u32(0).u8(entropy).u32(uint32_t(tags.size()));
        for (const auto& [key, value] : tags)
            str(key).str(value);
        i32(int32_t(attributes.size()));
        for (const Descriptor& d : attributes)
            str(d.name).i32(d.codec).f32(d.q).u8(d.N).u8(d.format).u8(d.strategy);
        return u32(NV).u32(NF);
    }

    // Group table of cumulative ends, without properties.
    StreamBuilder& groups(const std::vector<uint32_t>& ends)
    {
        u32(uint32_t(ends.size()));
        for (uint32_t end : ends)
            u32(end).u8(0);
        return *this;
    }

    // Word count, padding to a multiple of 4 from the start, the words.
    StreamBuilder& bitStream(const BitWriter& bits)
    {
        u32(uint32_t(bits.words().size()));
        while (bytes.size() % 4)
            u8(0xEE);
        for (uint32_t w : bits.words())
            u32(w);
        return *this;
    }

    StreamBuilder& rawArray(const std::vector<uint8_t>& data) { return u32(uint32_t(data.size())).raw(data); }

    // A coded byte array in the stream's entropy: raw, or a Tunstall block
    // whose table holds each byte present with probability count x 255 /
    // total, parsed greedily into the longest dictionary words.
    StreamBuilder& codedArray(const std::vector<uint8_t>& data)
    {
        if (entropy != crt::ENTROPY_TUNSTALL)
            return rawArray(data);
        std::vector<uint32_t> count(256);
        for (uint8_t b : data)
            ++count[b];
        std::vector<std::pair<uint8_t, uint8_t>> table;
        for (int b = 0; b < 256; ++b)
            if (count[size_t(b)])
                table.emplace_back(uint8_t(b), uint8_t(std::max<uint64_t>(1, count[size_t(b)] * 255 / data.size())));
        if (table.size() <= 1)
            return tunstallBlock(table, uint32_t(data.size()), {});
        std::vector<uint8_t> syms, probs;
        for (const auto& [sym, prob] : table) {
            syms.push_back(sym);
            probs.push_back(prob);
        }
        crt::TunstallDictionary dict;
        crt::buildTunstallDictionary(syms.data(), probs.data(), int(table.size()), dict);
        std::vector<uint8_t> codes;
        for (size_t pos = 0; pos < data.size();) {
            int best = -1;
            size_t bestLength = 0;
            for (int code = 0; code < crt::kTunstallCodes; ++code) {
                const size_t length = dict.length[code];
                const size_t compared = std::min(length, data.size() - pos);
                if (length > bestLength &&
                    std::memcmp(dict.store.data() + dict.offset[code], data.data() + pos, compared) == 0) {
                    best = code;
                    bestLength = length;
                }
            }
            if (best < 0)
                break;  // only when the dictionary could not be built
            codes.push_back(uint8_t(best));
            pos += bestLength;
        }
        return tunstallBlock(table, uint32_t(data.size()), codes);
    }

    StreamBuilder& tunstallBlock(const std::vector<std::pair<uint8_t, uint8_t>>& table, uint32_t L,
                                 const std::vector<uint8_t>& codes)
    {
        u8(uint8_t(table.size()));
        for (const auto& [sym, prob] : table)
            u8(sym).u8(prob);
        return u32(L).u32(uint32_t(codes.size())).raw(codes);
    }

    // Residual section with per-component bit counts: values[i]
    // holds the N components of vertex i.
    StreamBuilder& residuals(const std::vector<std::vector<int32_t>>& values, int N)
    {
        BitWriter bits;
        std::vector<std::vector<uint8_t>> counts(static_cast<size_t>(N));
        for (int c = 0; c < N; ++c) {
            for (const auto& vertex : values) {
                const int64_t x = vertex[size_t(c)];
                const uint64_t magnitude = uint64_t(x < 0 ? -x : x);
                unsigned n = 0;
                while (n < 64 && (magnitude >> n) != 0)
                    ++n;
                counts[size_t(c)].push_back(uint8_t(n));
                if (n > 0)
                    bits.put(uint32_t(x > 0 ? magnitude : magnitude - (uint64_t(1) << (n - 1))), n);
            }
        }
        bitStream(bits);
        for (const auto& array : counts)
            codedArray(array);
        return *this;
    }

    // Residual section with one shared bit count per vertex.
    StreamBuilder& residualsShared(const std::vector<std::vector<int32_t>>& values)
    {
        BitWriter bits;
        std::vector<uint8_t> counts;
        for (const auto& vertex : values) {
            // n bits hold -2^(n-1) .. 2^(n-1) - 1; n = 0 holds only 0.
            auto fits = [](int64_t x, unsigned n) {
                const int64_t half = (int64_t(1) << n) >> 1;
                return n == 0 ? x == 0 : (x >= -half && x < half);
            };
            unsigned n = 0;
            for (int32_t x : vertex)
                while (!fits(x, n))
                    ++n;
            counts.push_back(uint8_t(n));
            for (int32_t x : vertex)
                if (n > 0)
                    bits.put(uint32_t(int64_t(x) + (int64_t(1) << (n - 1))), n);
        }
        bitStream(bits);
        return codedArray(counts);
    }
};

}  // namespace crttest
