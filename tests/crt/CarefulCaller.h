#pragma once
// Decodes a block the way a careful program would: outputs sized from the
// reported counts and from the component counts the header declares, and
// nothing decoded when the counts ask for more memory than a sane cap; once
// through the three exported functions, once through the C interface. Used
// by the interface tests and the fuzz target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crt/Decoder.h"
#include "crt/MeshDecoder.h"
#include "crt/include/crt.h"

namespace crttest {

constexpr size_t kMaxOutputFloats = size_t(1) << 24;
inline const char* kTooLarge = "(counts too large to decode here)";

// A crt.h struct with its struct_size set and every other field zero.
template <class T>
T sized()
{
    T value{};
    value.struct_size = sizeof value;
    return value;
}

inline size_t atLeastOne(size_t n)
{
    return n > 0 ? n : 1;
}

// Returns "" on success, the message thrown otherwise, or a note when the
// counts were too large to try.
inline std::string decodeCarefully(const uint8_t* data, size_t size)
{
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
            return kTooLarge;
        }
        // Never a null array: an attribute that writes where its descriptor
        // declares nothing must be refused, not skipped.
        std::vector<float> positions(atLeastOne(NV * positionN)), normals(atLeastOne(NV * 3)), colors(atLeastOne(NV * 4)),
            uvs(atLeastOne(NV * uvN));
        std::vector<uint32_t> indices(NF * 3);
        DecodeMesh(handle, positions.data(), indices.data(), normals.data(), colors.data(), uvs.data());
    } catch (const char* message) {
        DestroyDecoder(handle);
        return message;
    }
    DestroyDecoder(handle);
    return "";
}

// The same through crt.h, with every capacity exact: "" on success, else the
// message of the failure.
inline std::string decodeCarefullyThroughC(const uint8_t* data, size_t size)
{
    crt_decoder* decoder = nullptr;
    auto info = sized<crt_mesh_info>();
    crt_status status = crt_decoder_create(data, size, &decoder);
    if (status == CRT_OK)
        status = crt_decoder_info(decoder, &info);
    const std::string names[4] = {"position", "normal", "color", "uv"};
    size_t width[4] = {};  // floats per vertex of each name
    for (uint32_t i = 0; status == CRT_OK && i < info.attribute_count; ++i) {
        auto a = sized<crt_attribute_info>();
        status = crt_decoder_attribute(decoder, i, &a);
        for (int k = 0; k < 4; ++k)
            if (status == CRT_OK && names[k] == a.name)
                width[k] = a.components;
    }
    std::string message;
    if (status == CRT_OK) {
        const size_t NF = info.face_count, NV = info.vertex_count;
        if (NF > kMaxOutputFloats / 3 || NV > kMaxOutputFloats / (width[0] + width[3] + 3 + 4)) {
            crt_decoder_destroy(decoder);
            return kTooLarge;
        }
        std::vector<float> positions(atLeastOne(NV * width[0])), normals(atLeastOne(NV * width[1])),
            colors(atLeastOne(NV * width[2])), uvs(atLeastOne(NV * width[3]));
        std::vector<uint32_t> indices(NF * 3);
        const crt_outputs out{sizeof(crt_outputs), positions.data(), NV * width[0], indices.data(), indices.size(),
                              normals.data(),   NV * width[1], colors.data(),  NV * width[2],
                              uvs.data(),       NV * width[3]};
        status = crt_decoder_decode(decoder, &out);
    }
    // DecodeMesh refuses a stream without faces by returning -1, without a message.
    if (status != CRT_OK && status != CRT_NO_FACES)
        message = crt_last_error();
    crt_decoder_destroy(decoder);
    return message;
}

}  // namespace crttest
