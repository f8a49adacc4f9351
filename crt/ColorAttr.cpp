#include "crt/ColorAttr.h"

#include <vector>

#include "crt/Residuals.h"

namespace crt {

namespace {

struct Rgba {
    uint8_t c[4];
};

// Rebuilds R, G, B, A (modulo 256) from the stored luma-difference bytes.
// With three stored channels there is no alpha: the colour is opaque.
inline Rgba rebuild(const uint8_t* s, int N)
{
    return {{uint8_t(s[0] + s[2]), s[0], uint8_t(s[0] + s[1]), N == 4 ? s[3] : uint8_t(255)}};
}

}  // namespace

void ColorAttr::readPayload(uint32_t NV, ByteCursor& in)
{
    // The header only makes colour attributes of 3 or 4 channels.
    const uint8_t* steps = in.take(uint32_t(N));
    for (int k = 0; k < N; ++k)
        channel_steps[k] = steps[k];
    if (buffer)
        readResiduals(in, values(), N, NV);
    else
        skipResiduals(in, N);
}

void ColorAttr::writeOutput(uint32_t NV)
{
    if (!buffer)
        return;
    const int out = output_channels;
    if (format == FMT_U8) {
        // In place from the last vertex down: the output is at least as wide.
        uint8_t* bytes = values();
        for (size_t i = NV; i-- > 0;) {
            const Rgba rgba = rebuild(bytes + i * size_t(N), N);
            for (int k = 0; k < out; ++k) {
                const bool opaque = k == 3 && N == 3;
                bytes[i * size_t(out) + k] = opaque ? uint8_t(255) : uint8_t(channel_steps[k] * rgba.c[k]);
            }
        }
    } else if (format == FMT_F32) {
        const std::vector<uint8_t> packed(values(), values() + size_t(NV) * size_t(N));
        float* floats = static_cast<float*>(buffer);
        for (size_t i = 0; i < NV; ++i) {
            const Rgba rgba = rebuild(packed.data() + i * size_t(N), N);
            for (int k = 0; k < out; ++k) {
                const bool opaque = k == 3 && N == 3;
                floats[i * size_t(out) + k] = opaque ? 1.0f : float(channel_steps[k] * rgba.c[k]) / 255.0f;
            }
        }
    } else {
        throw kColorOutputFormat;
    }
}

}  // namespace crt
