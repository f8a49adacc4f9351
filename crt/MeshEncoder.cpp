#include "crt/MeshEncoder.h"

#include <cmath>
#include <cstdint>

#include "crt/encode/BitWriter.h"
#include "crt/encode/ByteArrayWriter.h"
#include "crt/encode/ByteWriter.h"
#include "crt/encode/NormalPayload.h"
#include "crt/encode/Prediction.h"
#include "crt/encode/Quantise.h"
#include "crt/encode/ResidualWriter.h"
#include "crt/encode/TopologyEncoder.h"

namespace crt {
namespace {
constexpr uint32_t kFormatVersion = 1;  // the word after the magic, which readers skip
// Tunstall tables tried per coded array when searching.
constexpr int kTableSearchBudget = 16;
}

int32_t normalGridUnit(int gridBits) {
    if (gridBits < 2 || gridBits > 24) throw EncodeError("normal grid bits must be within 2..24");
    return (int32_t(1) << (gridBits - 1)) - 1;
}

void MeshEncoder::checkVertexCount(uint32_t NV) {
    if (haveVertexCount_ && NV != NV_)
        throw EncodeError("vertex count " + std::to_string(NV) + " differs from the " + std::to_string(NV_) + " given before");
    haveVertexCount_ = true;
    NV_ = NV;
}

void MeshEncoder::setVertexCount(uint32_t NV) { checkVertexCount(NV); }

void MeshEncoder::setTriangles(const uint32_t* indices, size_t faceCount) {
    if (faceCount > 0xFFFFFFFFu / 3) throw EncodeError("too many triangles");
    indices_.assign(indices, indices + faceCount * 3);
}

MeshEncoder::Attribute& MeshEncoder::add(const std::string& name, int32_t codec, uint32_t NV, const float* values,
                                         int components) {
    if (name.empty()) throw EncodeError("an attribute needs a name");
    if (components < 1 || components > 255) throw EncodeError("attribute '" + name + "': 1..255 components");
    if (NV > 0 && values == nullptr) throw EncodeError("attribute '" + name + "': no values");
    checkVertexCount(NV);
    Attribute& a = attributes_[name];
    a = Attribute{};
    a.codec = codec;
    a.components = components;
    a.values.assign(values, values + size_t(NV) * components);
    return a;
}

void MeshEncoder::setPositions(const float* xyz, uint32_t NV, Quantisation q, int strategy) {
    Attribute& a = add("position", KIND_GENERIC, NV, xyz, 3);
    a.quantisation = q;
    a.strategy = strategy == kOpenStrategy ? kOpenStrategy : strategy & (PARALLELOGRAM | SHARED_BITS);
}

void MeshEncoder::setNormals(const float* xyz, uint32_t NV, NormalMode mode, int gridBits) {
    normalGridUnit(gridBits);  // checks the range
    if (mode != DIFF && mode != FROM_POSITIONS && mode != FROM_POSITIONS_RIM) throw EncodeError("unknown normal mode");
    Attribute& a = add("normal", KIND_NORMAL, NV, xyz, 3);
    a.normalMode = mode;
    a.gridBits = gridBits;
}

void MeshEncoder::setColors(const float* values, uint32_t NV, int inputChannels, int storedChannels,
                            std::array<int, 4> steps, int strategy) {
    if (inputChannels != 3 && inputChannels != 4) throw EncodeError("colours come with 3 or 4 channels");
    if (storedChannels != 3 && storedChannels != 4) throw EncodeError("colours are stored with 3 or 4 channels");
    for (int s : steps)
        if (s < 1 || s > 255) throw EncodeError("colour steps must be within 1..255");
    if (NV > 0 && values == nullptr) throw EncodeError("attribute 'color': no values");
    std::vector<float> rgba(size_t(NV) * 4, 1.0f);
    for (uint32_t i = 0; i < NV; ++i)
        for (int k = 0; k < inputChannels; ++k) rgba[size_t(i) * 4 + k] = values[size_t(i) * inputChannels + k];
    Attribute& a = add("color", KIND_COLOR, NV, rgba.data(), 4);
    a.storedChannels = storedChannels;
    a.steps = steps;
    a.strategy = strategy == kOpenStrategy ? kOpenStrategy : strategy & PARALLELOGRAM;
}

void MeshEncoder::addGeneric(const std::string& name, const float* values, uint32_t NV, int components, Quantisation q,
                             int strategy) {
    if (name == "normal" || name == "color")
        throw EncodeError("'" + name + "' is read as a normal or colour; use setNormals or setColors");
    Attribute& a = add(name, KIND_GENERIC, NV, values, components);
    a.quantisation = q;
    a.strategy = strategy == kOpenStrategy ? kOpenStrategy : strategy & (PARALLELOGRAM | SHARED_BITS);
}

std::vector<uint8_t> MeshEncoder::encode() {
    report_ = EncodeReport{};
    const uint32_t NV = NV_;
    const uint32_t NF = static_cast<uint32_t>(indices_.size() / 3);
    if (NF > 0 && NV == 0) throw EncodeError("triangles without vertices");
    std::vector<MeshGroup> groups = groups_;
    if (groups.empty()) groups.push_back({NF, {}});
    std::vector<uint32_t> ends;
    for (const MeshGroup& g : groups) {
        if (g.properties.size() > 255) throw EncodeError("a group holds more than 255 properties");
        ends.push_back(g.end);
    }

    // Topology first: it fixes the vertex order every attribute is stored in.
    enc::Topology topology;
    if (NF > 0) {
        enc::TopologyOptions options;
        options.postpone = postpone_;
        topology = search_ && postpone_ ? enc::encodeTopologyRefined(indices_, NV, ends, entropy_)
                                        : enc::encodeTopology(indices_, NV, ends, options);
    } else {
        if (!ends.empty() && ends.back() != 0) throw EncodeError("the last group must end at the face count");
        for (uint32_t v = 0; v < NV; ++v) topology.order.push_back(v);
    }
    report_.symbolCounts = topology.symbolCounts;
    report_.frontCapacity = topology.frontCapacity;
    report_.vertexOrder = topology.order;
    const enc::Predictors& predictors = topology.predictors;  // empty for a point set

    // Quantise every attribute before anything is written: descriptors carry
    // the steps, and normal corrections need the quantised positions.
    struct Prepared {
        float q = 1.0f;
        std::vector<int32_t> ints;    // generic
        std::vector<uint8_t> bytes;   // colour
    };
    std::map<std::string, Prepared> prepared;
    for (const auto& [name, a] : attributes_) {
        Prepared& p = prepared[name];
        if (a.codec == KIND_GENERIC) {
            p.q = a.quantisation.step > 0.0f ? a.quantisation.step
                                             : enc::stepForBits(a.values, a.components, a.quantisation.bits);
            p.ints = enc::quantise(a.values, a.components, p.q, topology.order, name);
        } else if (a.codec == KIND_COLOR) {
            p.bytes = enc::colorBytes(a.values, a.steps, a.storedChannels, topology.order);
        } else {
            p.q = static_cast<float>(normalGridUnit(a.gridBits));
        }
        report_.steps[name] = p.q;
    }

    // The payload of a generic or colour attribute with the given strategy.
    auto writeValues = [&](enc::ByteWriter& to, const Attribute& a, const Prepared& p, int strategy,
                           const enc::CodingEffort& effort) {
        if (a.codec == KIND_COLOR) {
            for (int k = 0; k < a.storedChannels; ++k) to.u8(static_cast<uint8_t>(a.steps[k]));
            const auto residuals = enc::predictBytes(p.bytes, a.storedChannels, predictors, strategy & PARALLELOGRAM);
            enc::writeResiduals(to, entropy_, residuals, a.storedChannels, effort);
            return;
        }
        const auto residuals = enc::predictIntegers(p.ints, a.components, predictors, strategy & PARALLELOGRAM);
        if (strategy & SHARED_BITS)
            enc::writeResidualsShared(to, entropy_, residuals, a.components, effort);
        else
            enc::writeResiduals(to, entropy_, residuals, a.components, effort);
    };
    // The strategy of each attribute: the one given, or if it is left open and
    // the encoder searches, the one whose payload comes out smallest (tried
    // without the table search, which moves every candidate alike).
    const enc::CodingEffort effort = search_ ? enc::CodingEffort{kTableSearchBudget, true} : enc::CodingEffort{};
    std::map<std::string, int> strategies;
    for (const auto& [name, a] : attributes_) {
        int& chosen = strategies[name];
        chosen = a.codec == KIND_NORMAL ? 0 : a.strategy;
        if (chosen != kOpenStrategy) continue;
        chosen = a.codec == KIND_COLOR ? PARALLELOGRAM : PARALLELOGRAM | SHARED_BITS;
        if (!search_) continue;
        const std::vector<int> candidates = a.codec == KIND_COLOR
                                                ? std::vector<int>{PARALLELOGRAM, 0}
                                                : std::vector<int>{PARALLELOGRAM | SHARED_BITS, PARALLELOGRAM, SHARED_BITS, 0};
        size_t smallest = SIZE_MAX;
        for (int strategy : candidates) {
            enc::ByteWriter trial;
            writeValues(trial, a, prepared[name], strategy, enc::CodingEffort{0, true});
            if (trial.size() < smallest) {
                smallest = trial.size();
                chosen = strategy;
            }
        }
    }
    report_.strategies = strategies;

    enc::ByteWriter out;
    out.u32(kMagic);
    out.u32(kFormatVersion);
    out.u8(static_cast<uint8_t>(entropy_));
    out.u32(static_cast<uint32_t>(tags_.size()));
    for (const auto& [key, value] : tags_) {
        out.string(key);
        out.string(value);
    }
    out.i32(static_cast<int32_t>(attributes_.size()));
    for (const auto& [name, a] : attributes_) {
        out.string(name);
        out.i32(a.codec);
        out.f32(prepared[name].q);
        out.u8(static_cast<uint8_t>(a.codec == KIND_COLOR ? a.storedChannels : a.components));
        out.u8(static_cast<uint8_t>(FMT_F32));
        out.u8(static_cast<uint8_t>(strategies[name]));
    }
    out.u32(NV);
    out.u32(NF);

    out.u32(static_cast<uint32_t>(groups.size()));
    for (const MeshGroup& g : groups) {
        out.u32(g.end);
        out.u8(static_cast<uint8_t>(g.properties.size()));
        for (const auto& [key, value] : g.properties) {
            out.string(key);
            out.string(value);
        }
    }
    if (NF > 0) {
        out.u32(topology.frontCapacity);
        enc::writeByteArray(out, entropy_, topology.symbols, effort);
        enc::writeBitSection(out, topology.indexBits);
    }

    for (const auto& [name, a] : attributes_) {
        Prepared& p = prepared[name];
        if (a.codec != KIND_NORMAL) {
            writeValues(out, a, p, strategies[name], effort);
        } else {
            const auto position = prepared.find("position");
            const bool usablePositions = position != prepared.end() && attributes_.at("position").codec == KIND_GENERIC &&
                                         attributes_.at("position").components == 3;
            if (a.normalMode != DIFF && !usablePositions)
                throw EncodeError("No position attribute found. Use DIFF normal strategy instead.");
            const enc::NormalPayload payload =
                enc::buildNormalPayload(a.values, topology.order, predictors, topology.faces,
                                        usablePositions ? &position->second.ints : nullptr,
                                        static_cast<int32_t>(p.q), a.normalMode);
            report_.normalMode = payload.mode;
            report_.unusableNormalEstimates = payload.unusableEstimates;
            out.u8(static_cast<uint8_t>(payload.mode));
            enc::writeResidualsShared(out, entropy_, payload.values, 2, effort);
        }
    }
    return out.take();
}

}  // namespace crt
