#include "tools/crt-tool/StreamLayout.h"

#include <algorithm>
#include <cstring>

#include "crt/Format.h"
#include "crt/Tunstall.h"

namespace crttool {
namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t pos() const { return pos_; }
    void need(size_t n, const char* what) const {
        if (n > size_ - pos_)
            throw LayoutError(std::string("truncated stream: ") + what + " at byte " + std::to_string(pos_) +
                              " runs past the end (" + std::to_string(size_) + " bytes)");
    }
    uint8_t u8(const char* what) {
        need(1, what);
        return data_[pos_++];
    }
    uint32_t u32(const char* what) {
        need(4, what);
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16 |
                     uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    float f32(const char* what) {
        uint32_t bits = u32(what);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    std::string string(const char* what) {
        need(2, what);
        const size_t n = size_t(data_[pos_]) | size_t(data_[pos_ + 1]) << 8;
        pos_ += 2;
        need(n, what);
        const char* text = reinterpret_cast<const char*>(data_ + pos_);
        pos_ += n;
        return std::string(text, strnlen(text, n));
    }
    const uint8_t* skip(size_t n, const char* what) {
        need(n, what);
        const uint8_t* at = data_ + pos_;
        pos_ += n;
        return at;
    }
    void align4(const char* what) {
        const size_t pad = (4 - pos_ % 4) % 4;
        skip(pad, what);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Passes over one coded byte array; returns its decoded length. When
// `histogram` is given the array's bytes are counted into it, without ever
// holding the expanded array (a corrupt length could ask for gigabytes).
uint64_t byteArray(Reader& r, int entropy, const char* what, std::array<uint64_t, 256>* histogram) {
    if (entropy == crt::ENTROPY_RAW) {
        const uint32_t L = r.u32(what);
        const uint8_t* bytes = r.skip(L, what);
        if (histogram)
            for (uint32_t i = 0; i < L; ++i) ++(*histogram)[bytes[i]];
        return L;
    }
    if (entropy != crt::ENTROPY_TUNSTALL) throw LayoutError("unknown entropy kind " + std::to_string(entropy));
    const int S = r.u8(what);
    const uint8_t* pairs = r.skip(size_t(S) * 2, what);
    const uint32_t L = r.u32(what);
    const uint32_t K = r.u32(what);
    const uint8_t* codes = r.skip(K, what);
    if (!histogram || L == 0) return L;
    if (S == 0) throw LayoutError(std::string(what) + ": no symbols for a non-empty array");
    if (S == 1) {
        (*histogram)[pairs[0]] += L;
        return L;
    }
    std::vector<uint8_t> symbols(S), probs(S);
    for (int i = 0; i < S; ++i) {
        symbols[i] = pairs[2 * i];
        probs[i] = pairs[2 * i + 1];
    }
    crt::TunstallDictionary dict;
    if (!crt::buildTunstallDictionary(symbols.data(), probs.data(), S, dict))
        throw LayoutError(std::string(what) + ": corrupt probability table");
    uint64_t produced = 0;
    for (uint32_t k = 0; k < K && produced < L; ++k) {
        const uint8_t c = codes[k];
        const uint64_t take = std::min<uint64_t>(dict.length[c], L - produced);
        for (uint64_t j = 0; j < take; ++j) ++(*histogram)[dict.store[dict.offset[c] + j]];
        produced += take;
    }
    if (produced != L) throw LayoutError(std::string(what) + ": the codes expand to fewer bytes than its length");
    return L;
}

void bitSection(Reader& r, const char* what) {
    const uint32_t W = r.u32(what);
    r.align4(what);
    r.skip(size_t(W) * 4, what);
}

void residuals(Reader& r, int entropy, int N, bool shared, const char* what) {
    bitSection(r, what);
    const int arrays = shared ? 1 : N;
    for (int c = 0; c < arrays; ++c) byteArray(r, entropy, what, nullptr);
}

}  // namespace

StreamLayout readLayout(const uint8_t* data, size_t size) {
    StreamLayout s;
    Reader r(data, size);
    if (r.u32("magic") != crt::kMagic) throw LayoutError("not a crt stream (wrong magic number)");
    s.version = r.u32("version");
    s.entropy = r.u8("entropy");
    if (s.entropy != crt::ENTROPY_RAW && s.entropy != crt::ENTROPY_TUNSTALL)
        throw LayoutError("unknown entropy kind " + std::to_string(s.entropy));
    const uint32_t E = r.u32("header tag count");
    for (uint32_t i = 0; i < E; ++i) {
        std::string key = r.string("header tag");
        std::string value = r.string("header tag");
        s.tags.emplace_back(std::move(key), std::move(value));
    }
    const int32_t A = static_cast<int32_t>(r.u32("attribute count"));
    std::map<std::string, Descriptor> byName;
    for (int32_t i = 0; i < A; ++i) {
        Descriptor d;
        d.name = r.string("attribute descriptor");
        d.codec = static_cast<int32_t>(r.u32("attribute descriptor"));
        d.q = r.f32("attribute descriptor");
        d.components = r.u8("attribute descriptor");
        d.format = r.u8("attribute descriptor");
        d.strategy = r.u8("attribute descriptor");
        if (d.codec == crt::KIND_NORMAL) d.components = 3;
        s.descriptors.push_back(d);
        byName[d.name] = d;
    }
    s.NV = r.u32("vertex count");
    s.NF = r.u32("face count");
    s.sections.push_back({"header", 0, r.pos()});

    size_t begin = r.pos();
    const uint32_t G = r.u32("group table");
    for (uint32_t g = 0; g < G; ++g) {
        Group group;
        group.end = r.u32("group table");
        const int P = r.u8("group table");
        for (int p = 0; p < P; ++p) {
            std::string key = r.string("group table");
            std::string value = r.string("group table");
            group.properties.emplace_back(std::move(key), std::move(value));
        }
        if (group.end > s.NF || (!s.groups.empty() && group.end < s.groups.back().end))
            throw LayoutError("group " + std::to_string(g) + " ends at face " + std::to_string(group.end) +
                              ", outside the rising range up to " + std::to_string(s.NF));
        s.groups.push_back(std::move(group));
    }
    s.sections.push_back({"group table", begin, r.pos()});

    if (s.NF > 0) {
        if (s.groups.empty() || s.groups.back().end != s.NF)
            throw LayoutError("the group table does not end at the face count");
        begin = r.pos();
        r.u32("front capacity");
        s.sections.push_back({"front capacity", begin, r.pos()});
        begin = r.pos();
        std::array<uint64_t, 256> histogram{};
        byteArray(r, s.entropy, "topology symbols", &histogram);
        for (int sym = 0; sym < 256; ++sym) {
            if (sym < 7)
                s.symbolCounts[sym] = histogram[sym];
            else
                s.otherSymbols += histogram[sym];
        }
        s.sections.push_back({"topology symbols", begin, r.pos()});
        begin = r.pos();
        bitSection(r, "index bits");
        s.sections.push_back({"index bits", begin, r.pos()});
    }

    for (const auto& [name, d] : byName) {
        begin = r.pos();
        const std::string what = "attribute '" + name + "'";
        if (d.codec == crt::KIND_NORMAL) {
            const int mode = r.u8(what.c_str());
            s.normalModes[name] = mode;
            residuals(r, s.entropy, 2, true, what.c_str());
        } else if (d.codec == crt::KIND_COLOR) {
            r.skip(d.components, what.c_str());
            residuals(r, s.entropy, d.components, false, what.c_str());
        } else {
            residuals(r, s.entropy, d.components, (d.strategy & crt::SHARED_BITS) != 0, what.c_str());
        }
        s.sections.push_back({what, begin, r.pos()});
    }
    if (r.pos() != size)
        s.sections.push_back({"trailing bytes", r.pos(), size});
    return s;
}

}  // namespace crttool
