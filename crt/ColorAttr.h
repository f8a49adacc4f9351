#pragma once
// Per-vertex colours stored as 3 or 4 bytes (G, B - G, R - G, A), each channel
// divided by its own step; written as R, G, B, A.
#include <cstdint>

#include "crt/GenericAttr.h"

namespace crt {

class ColorAttr : public GenericAttr<uint8_t> {
public:
    int32_t channel_steps[4] = {4, 4, 4, 8};
    int32_t output_channels = 4;

    int codecId() const override { return KIND_COLOR; }
    int outputWidth() const override { return output_channels; }
    // N step bytes, then a residual section with one bit-count array per channel.
    void readPayload(uint32_t NV, ByteCursor& in) override;
    // FMT_U8 or FMT_F32 (0 to 1), output_channels per vertex.
    void writeOutput(uint32_t NV) override;
    // A bit-count array per channel, and the stored bytes copied aside
    // while they become floats.
    uint64_t workingBytes(uint64_t NV, bool tunstall) const override
    {
        return uint64_t(N) * (codedArrayBytes(NV, tunstall) + NV);
    }
};

}  // namespace crt
