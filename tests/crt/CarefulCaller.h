#pragma once
// Decodes a block the way a careful program would: outputs sized from the
// reported counts and from the component counts the header declares, and
// nothing decoded when the counts ask for more memory than a sane cap. Used
// by the interface tests and the fuzz target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crt/Decoder.h"
#include "crt/MeshDecoder.h"

namespace crttest {

// Returns "" on success, the message thrown otherwise, or a note when the
// counts were too large to try.
inline std::string decodeCarefully(const uint8_t* data, size_t size)
{
    constexpr size_t kMaxOutputFloats = size_t(1) << 24;
    void* handle = nullptr;
    try {
        float counts[2];
        handle = CreateDecoder(int(size), data, counts);
        const auto* decoder = static_cast<const crt::MeshDecoder*>(handle);
        // As the stream's descriptors declare them.
        auto components = [&](const char* name) -> size_t { return size_t(decoder->declaredComponents(name)); };
        const size_t NF = decoder->NF, NV = decoder->NV;
        const size_t positionN = components("position"), uvN = components("uv");
        if (NF > kMaxOutputFloats / 3 || NV > kMaxOutputFloats / (positionN + uvN + 3 + 4)) {
            DestroyDecoder(handle);
            return "(counts too large to decode here)";
        }
        std::vector<float> positions(NV * positionN), normals(NV * 3), colors(NV * 4), uvs(NV * uvN);
        std::vector<uint32_t> indices(NF * 3);
        DecodeMesh(handle, positions.data(), indices.data(), normals.data(), colors.data(), uvs.data());
    } catch (const char* message) {
        DestroyDecoder(handle);
        return message;
    }
    DestroyDecoder(handle);
    return "";
}

}  // namespace crttest
