#pragma once
// One compressed mesh in the caller's byte block: the header parsed at
// construction, the body decoded into the caller's arrays by runMeshDecode.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "crt/ByteCursor.h"
#include "crt/Connectivity.h"
#include "crt/VertexAttribute.h"

namespace crt {

// What decoding a mesh takes, known from its header: the arrays the decode
// writes when every output is asked for (indices and the position, normal,
// color and uv floats), and the most the decoder allocates for itself during
// the decode, all of which it gives back when the decode ends.
struct DecodeNeeds {
    uint64_t outputBytes = 0;
    uint64_t workingBytes = 0;
};

class MeshDecoder {
public:
    // Reads the header. size 0 means the block's length is unknown. The block
    // must stay alive and unchanged for the decoder's lifetime.
    MeshDecoder(const uint8_t* data, size_t size);

    uint32_t NV = 0;
    uint32_t NF = 0;
    std::map<std::string, std::string> header_tags;  // kept, never interpreted
    AttributeMap attributes;                         // by name, byte-wise order
    Connectivity connectivity;
    ByteCursor cursor;
    uint32_t next_vertex = 0;

    // Directs the named attribute's output, as 32-bit floats, to buffer (null:
    // read and discard). False when there is no such attribute.
    bool bindOutput(const std::string& name, void* buffer);
    // The same, for a caller's array of widthLimit values per vertex: an
    // attribute that would write more per vertex is corrupt.
    bool bindOutput(const std::string& name, void* buffer, int widthLimit);
    // The component count the named attribute's descriptor declares (0: none).
    int declaredComponents(const std::string& name) const;
    // Directs the mesh outputs the exported interfaces offer: the indices, and
    // "position", "normal", "color" and "uv" as floats (null: read and discard).
    // The caller's arrays hold per vertex as many floats as the position and uv
    // descriptors declare, 3 normal and 4 colour floats: a stream whose
    // attribute of that name writes more per vertex is refused.
    void bindMeshOutputs(float* positions, uint32_t* indices, float* normals, float* colors, float* uvs);
    // Floats decoding writes for the named attribute when it is bound (0: none).
    uint64_t outputFloats(const std::string& name) const;
    // What a decode of the whole mesh takes; an upper bound that holds for
    // any stream with this header, valid or not.
    DecodeNeeds needs() const;

    // Decodes the body of a mesh into the bound buffers and the face output.
    // Every call decodes from the start of the body again. The working state
    // (predictors, front, expanded arrays) stays until released.
    void runMeshDecode();
    // runMeshDecode, then the working state given back, also on failure: what
    // the interfaces call.
    void decodeMesh();
    void releaseWorkingMemory();
    // The body of a stream without faces: each vertex is predicted from the
    // previous one.
    void runPointDecode();

private:
    void readAttribute(ByteCursor& in);
    void readPayloads();
    void lendPositionsIfNeeded(const VertexAttribute& attribute);

    size_t bodyStart_ = 0;
    uint64_t groupCount_ = 0;  // as the body's first word says, at most what the block can hold
    std::vector<int32_t> positionScratch_;
};

}  // namespace crt
