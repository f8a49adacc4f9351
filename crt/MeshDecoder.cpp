#include "crt/MeshDecoder.h"

#include <algorithm>
#include <memory>

#include "crt/ColorAttr.h"
#include "crt/Format.h"
#include "crt/GenericAttr.h"
#include "crt/NormalAttr.h"

namespace crt {

namespace {

// Smallest encodings: a key/value pair is two empty strings (2 + 2 bytes); an
// attribute descriptor is an empty name, codec, q and three bytes.
constexpr uint64_t kMinTagBytes = 4;
constexpr uint64_t kMinDescriptorBytes = 2 + 4 + 4 + 3;

// A traversal reads at most one symbol per triangle started and two per front
// edge (one more after a POSTPONE); a triangle adds at most three front edges.
constexpr uint64_t kMaxSymbolsPerFace = 7;

}  // namespace

MeshDecoder::MeshDecoder(const uint8_t* data, size_t size) : cursor(data, size)
{
    if (cursor.u32() != kMagic)
        throw kNotCrtFile;
    cursor.skip(4);
    cursor.entropy = cursor.u8();

    const uint32_t tags = cursor.u32();
    cursor.needItems(tags, kMinTagBytes);
    for (uint32_t i = 0; i < tags; ++i) {
        std::string key = cursor.str();
        header_tags[key] = cursor.str();
    }

    const int32_t count = cursor.i32();
    if (count > 0) {
        cursor.needItems(uint32_t(count), kMinDescriptorBytes);
        for (int32_t i = 0; i < count; ++i)
            readAttribute(cursor);
    }
    NV = cursor.u32();
    NF = cursor.u32();
    bodyStart_ = cursor.offset();
    // The group table's size, for needs(); the decode checks it again. A
    // block of unknown length (size 0) is not read ahead of the decode.
    if (size != 0 && cursor.remaining() >= 4) {
        ByteCursor peek = cursor;
        groupCount_ = std::min<uint64_t>(peek.u32(), peek.remaining() / 5);
    }
}

DecodeNeeds MeshDecoder::needs() const
{
    // The names the interfaces decode into arrays: any other attribute is
    // read past without memory.
    static const char* const kOutputs[] = {"position", "normal", "color", "uv"};
    const bool tunstall = cursor.entropy == ENTROPY_TUNSTALL;
    DecodeNeeds n;
    n.outputBytes = 3 * sizeof(uint32_t) * uint64_t(NF);
    // The topology symbols expanded from a Tunstall block (a raw array is
    // read in place), the traversal, and the dictionaries built on the way.
    n.workingBytes = (tunstall ? kMaxSymbolsPerFace * uint64_t(NF) + 16 : 0) +
                     Connectivity::workingBytes(NV, NF, groupCount_) + (64 << 10);
    for (const char* name : kOutputs) {
        const auto found = attributes.find(name);
        if (found == attributes.end())
            continue;
        n.outputBytes += sizeof(float) * outputFloats(name);
        n.workingBytes += found->second->workingBytes(NV, tunstall);
    }
    // Positions decoded into the decoder's own space for normals estimated
    // from them, when the caller asks for no positions.
    if (attributes.count("normal") && attributes.count("position"))
        n.workingBytes += 3 * sizeof(int32_t) * uint64_t(NV);
    return n;
}

void MeshDecoder::decodeMesh()
{
    // Whether the decode ends or fails, its memory goes back at once rather
    // than when the decoder is destroyed.
    struct Release {
        MeshDecoder& decoder;
        ~Release() { decoder.releaseWorkingMemory(); }
    } release{*this};
    runMeshDecode();
}

void MeshDecoder::releaseWorkingMemory()
{
    connectivity.releaseWorkingMemory();
    for (auto& [name, attribute] : attributes)
        attribute->releaseWorkingMemory();
    std::vector<int32_t>().swap(positionScratch_);
}

void MeshDecoder::readAttribute(ByteCursor& in)
{
    std::string name = in.str();
    const int32_t codec = in.i32();
    const float q = in.f32();
    const uint8_t N = in.u8();
    const uint8_t format = in.u8();
    const uint8_t strategy = in.u8();

    std::unique_ptr<VertexAttribute> attribute;
    if (codec == KIND_NORMAL) {
        attribute = std::make_unique<NormalAttr>();
    } else if (codec == KIND_COLOR) {
        if (N < 3 || N > 4)
            throw kCorrupt;  // colours are stored as 3 or 4 channels
        attribute = std::make_unique<ColorAttr>();
        attribute->N = N;
    } else {
        attribute = std::make_unique<GenericAttr<int32_t>>();
        attribute->N = N;
    }
    attribute->declared_N = N;
    attribute->q = q;
    attribute->format = format;
    attribute->strategy = strategy;
    attributes[name] = std::move(attribute);  // a later descriptor of the same name wins
}

bool MeshDecoder::bindOutput(const std::string& name, void* buffer, int widthLimit)
{
    const auto found = attributes.find(name);
    if (found != attributes.end() && buffer && found->second->outputWidth() > widthLimit)
        throw kCorrupt;
    return bindOutput(name, buffer);
}

int MeshDecoder::declaredComponents(const std::string& name) const
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? 0 : found->second->declared_N;
}

void MeshDecoder::bindMeshOutputs(float* positions, uint32_t* indices, float* normals, float* colors, float* uvs)
{
    connectivity.faces32 = indices;
    if (NV > 0)
        bindOutput("position", positions, declaredComponents("position"));
    bindOutput("normal", normals, 3);
    bindOutput("color", colors, 4);
    bindOutput("uv", uvs, declaredComponents("uv"));
}

uint64_t MeshDecoder::outputFloats(const std::string& name) const
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? 0 : uint64_t(NV) * uint64_t(found->second->outputWidth());
}

bool MeshDecoder::bindOutput(const std::string& name, void* buffer)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    found->second->format = FMT_F32;
    found->second->buffer = buffer;
    return true;
}

// Normals estimated from positions need the decoded positions even when the
// caller asked for none: they are then decoded into the decoder's own space.
// The normal payload always precedes the position payload ("normal" sorts
// before "position").
void MeshDecoder::lendPositionsIfNeeded(const VertexAttribute& attribute)
{
    const auto* normal = dynamic_cast<const NormalAttr*>(&attribute);
    if (!normal || !normal->needsPositions() || NV == 0)
        return;
    const auto found = attributes.find("position");
    if (found == attributes.end())
        return;
    auto* position = dynamic_cast<GenericAttr<int32_t>*>(found->second.get());
    if (!position || position->buffer || position->N != 3)
        return;
    positionScratch_.assign(size_t(NV) * 3, 0);
    position->buffer = positionScratch_.data();
}

void MeshDecoder::readPayloads()
{
    for (auto& [name, attribute] : attributes) {
        attribute->readPayload(NV, cursor);
        lendPositionsIfNeeded(*attribute);
    }
}

void MeshDecoder::runMeshDecode()
{
    cursor.seek(bodyStart_);
    next_vertex = 0;
    Connectivity& c = connectivity;

    c.readGroupTable(cursor, NF);
    c.front_capacity = cursor.u32();
    c.setSymbols(readByteArray(cursor, c.symbolStorage, kMaxSymbolsPerFace * NF));
    c.indexBits = readBitStream(cursor);
    readPayloads();

    // Only vertices the traversal creates get a stored predictor; it creates
    // at most three per triangle, and writes one more that it may drop.
    c.predictors.clear();
    c.forward_reference = false;
    c.predictors.reserve(size_t(std::min<uint64_t>(NV, 3 * uint64_t(NF))) + 1);
    uint64_t symbolPos = 0;
    uint64_t previousEnd = 0;
    for (const FaceGroup& group : c.groups) {
        c.traverseFaces(3 * previousEnd, 3 * uint64_t(group.end), symbolPos, next_vertex, NV);
        previousEnd = group.end;
    }

    const PredictorTable predictors = c.predictorTable(NV);
    for (auto& [name, attribute] : attributes)
        attribute->unpredict(NV, predictors);
    for (auto& [name, attribute] : attributes)
        attribute->finishWithMesh(NV, NF, attributes, c);
    for (auto& [name, attribute] : attributes)
        attribute->writeOutput(NV);
}

void MeshDecoder::runPointDecode()
{
    cursor.seek(bodyStart_);
    connectivity.readGroupTable(cursor, NF);
    readPayloads();
    const PredictorTable none{};
    for (auto& [name, attribute] : attributes)
        attribute->unpredict(NV, none);
    for (auto& [name, attribute] : attributes)
        attribute->writeOutput(NV);
}

}  // namespace crt
