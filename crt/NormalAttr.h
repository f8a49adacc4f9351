#pragma once
// Unit normals as two integers per vertex on an octahedral grid. DIFF stores
// the grid points themselves; the position-based modes estimate each normal
// from the decoded triangles and store only grid corrections, for every
// vertex (FROM_POSITIONS) or only for rim vertices (FROM_POSITIONS_RIM).
#include <cstdint>
#include <vector>

#include "crt/VertexAttribute.h"

namespace crt {

class NormalAttr : public VertexAttribute {
public:
    NormalAttr()
    {
        N = 3;
        q = 512.0f;
    }

    int32_t mode = DIFF;
    std::vector<int32_t> rim_marks;  // non-zero for vertices on open edges (rim mode)
    std::vector<int32_t> grid;       // (X, Y) pairs: per vertex in DIFF, per corrected vertex otherwise

    int codecId() const override { return KIND_NORMAL; }
    int outputWidth() const override { return 3; }
    // uint8 mode, then a shared-bits residual section with 2 components.
    void readPayload(uint32_t NV, ByteCursor& in) override;
    // DIFF only: X and Y predicted from the first predictor vertex.
    void unpredict(uint32_t NV, const PredictorTable& predictors) override;
    // Position-based modes: estimate, correct and write the normals.
    void finishWithMesh(uint32_t NV, uint32_t NF, const AttributeMap& attributes,
                        const Connectivity& connectivity) override;
    // DIFF only: decode the grid points.
    void writeOutput(uint32_t NV) override;
    // Grid points and their bit counts; for the position-based modes the
    // estimates and the rim marks too.
    uint64_t workingBytes(uint64_t NV, bool tunstall) const override
    {
        return NV * (2 * sizeof(int32_t) + 3 * sizeof(float) + sizeof(int32_t)) + codedArrayBytes(NV, tunstall);
    }
    void releaseWorkingMemory() override
    {
        std::vector<int32_t>().swap(grid);
        std::vector<int32_t>().swap(rim_marks);
    }

    // Whether finishWithMesh will read the position attribute's values.
    bool needsPositions() const { return buffer && mode != DIFF; }

    // The unit normal of grid point (X, Y) for grid size u.
    static void octahedralDecode(int64_t X, int64_t Y, int64_t u, float out[3]);

private:
    int32_t gridSize() const { return int32_t(q); }
    void store(size_t vertex, const float n[3]);
};

}  // namespace crt
