#pragma once
// A named per-vertex attribute of a crt mesh. The decoder drives every
// attribute through the same steps, each over all attributes before the next:
// read its payload, undo the prediction, whole-mesh work, convert to output.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "crt/ByteCursor.h"
#include "crt/Connectivity.h"
#include "crt/Format.h"

namespace crt {

class VertexAttribute;
using AttributeMap = std::map<std::string, std::unique_ptr<VertexAttribute>>;

class VertexAttribute {
public:
    virtual ~VertexAttribute() = default;

    void* buffer = nullptr;  // caller's output; null: read the payload and discard it
    int32_t N = 0;           // components per vertex
    float q = 1.0f;          // quantisation step: decoded integer x q = output value
    int32_t strategy = 0;    // PARALLELOGRAM, SHARED_BITS
    int32_t format = FMT_I32;
    int32_t payload_size = 0;  // written by the encoding side only
    int32_t declared_N = 0;    // the descriptor's component count, whatever N became

    // Values written per vertex by writeOutput.
    virtual int outputWidth() const { return N; }

    virtual int codecId() const = 0;
    virtual void readPayload(uint32_t NV, ByteCursor& in) = 0;
    virtual void unpredict(uint32_t NV, const PredictorTable& predictors) = 0;
    virtual void finishWithMesh(uint32_t /*NV*/, uint32_t /*NF*/, const AttributeMap& /*attributes*/,
                                const Connectivity& /*connectivity*/)
    {
    }
    virtual void writeOutput(uint32_t NV) = 0;

    // The most a decode allocates for this attribute when its output is
    // bound (unbound attributes are read past without memory); tunstall
    // when the stream's arrays are Tunstall-coded, which expands them.
    virtual uint64_t workingBytes(uint64_t NV, bool tunstall) const = 0;
    // Gives back what the decode allocated; called after writeOutput.
    virtual void releaseWorkingMemory() {}
};

// Bytes an expanded Tunstall array of n entries takes (with its copy slack)
// and the bookkeeping of one array of a residual section.
inline uint64_t codedArrayBytes(uint64_t n, bool tunstall)
{
    return (tunstall ? n + 16 : 0) + 64;
}

}  // namespace crt
