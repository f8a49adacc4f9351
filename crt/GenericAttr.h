#pragma once
// An attribute of N integers per vertex (int32, or bytes for colours), decoded
// straight into the caller's buffer and converted there in place.
#include <cstdint>

#include "crt/Residuals.h"
#include "crt/VertexAttribute.h"

namespace crt {

template <class T>
class GenericAttr : public VertexAttribute {
public:
    int codecId() const override { return KIND_GENERIC; }
    // The residual section, shared or per-component bit counts per strategy.
    void readPayload(uint32_t NV, ByteCursor& in) override;
    // Adds each vertex's prediction: its first predictor vertex, or with
    // PARALLELOGRAM a + b - c; without faces, the previous vertex.
    void unpredict(uint32_t NV, const PredictorTable& predictors) override;
    // Element k of the output = value k x q, in the attribute's format.
    void writeOutput(uint32_t NV) override;
    // The bit-count arrays of the residual section.
    uint64_t workingBytes(uint64_t NV, bool tunstall) const override
    {
        const uint64_t arrays = (strategy & SHARED_BITS) ? 1 : uint64_t(N > 0 ? N : 0);
        return arrays * codedArrayBytes(NV, tunstall);
    }
    void releaseWorkingMemory() override;

protected:
    T* values() const { return static_cast<T*>(buffer); }
    // Decodes the residuals read by readPayload into the buffer, if they are
    // still waiting.
    void decodePending();

    // readPayload checks the residual section and leaves its values to
    // unpredict, which for a mesh decodes and predicts each vertex in one go.
    ResidualSection residuals_;
    bool pending_ = false;
};

extern template class GenericAttr<int32_t>;
extern template class GenericAttr<uint8_t>;

}  // namespace crt
