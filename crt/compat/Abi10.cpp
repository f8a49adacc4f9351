// The entry points whose structs changed in 1.1, as 1.0 had them, for the
// programs built against crt 1.0. Their structs had no struct_size and held
// enums where 1.1 has fixed-width integers. Each is exported under the
// version node CRT_1.0 beside the 1.1 function of the same name
// (crt_decoder_info@CRT_1.0 and crt_decoder_info@@CRT_1.1): the dynamic
// loader binds a 1.0 program's unversioned references to CRT_1.0, a program
// linked against 1.1 asks for CRT_1.1 by name. ELF builds only: the build
// leaves this file out where a binary format has no symbol versions.
#include <cstring>

#include "crt/api/Decode.h"
#include "crt/api/Encode.h"
#include "crt/api/Guard.h"

namespace {

struct MeshInfo10 {
    uint32_t vertex_count;
    uint32_t face_count;
    uint32_t attribute_count;
};

struct AttributeInfo10 {
    const char* name;
    uint32_t components;
    int32_t kind;
    int32_t type;
};

struct Outputs10 {
    float* positions;
    size_t positions_capacity;
    uint32_t* indices;
    size_t indices_capacity;
    float* normals;
    size_t normals_capacity;
    float* colors;
    size_t colors_capacity;
    float* uvs;
    size_t uvs_capacity;
};

struct Mesh10 {
    uint32_t vertex_count;
    uint32_t face_count;
    const float* positions;
    const uint32_t* indices;
    const float* normals;
    const float* colors;
    uint32_t color_channels;
    const float* uvs;
    uint32_t uv_components;
};

struct EncodeOptions10 {
    int32_t position_bits;
    float position_step;
    int32_t normals;
    int32_t normal_bits;
    int32_t colors;
    int32_t color_channels;
    int32_t color_steps[4];
    int32_t uvs;
    int32_t uv_bits;
    float uv_step;
    int32_t entropy;
    int32_t parallelogram;
    int32_t shared_bits;
    int32_t search;
};

// The 1.0 options are the 1.1 options without struct_size, field for field.
static_assert(sizeof(EncodeOptions10) + offsetof(crt_encode_options, position_bits) == sizeof(crt_encode_options));

crt_encode_options optionsOf(const EncodeOptions10& old)
{
    crt_encode_options o = crt::api::defaultOptions();
    std::memcpy(&o.position_bits, &old, sizeof old);
    return o;
}

using crt::api::fail;
using crt::api::guarded;

}  // namespace

#define CRT_1_0(function, name) \
    __asm__(".symver " #function ", " #name "@CRT_1.0"); \
    extern "C" __attribute__((visibility("default")))

CRT_1_0(crt_decoder_info_1_0, crt_decoder_info)
crt_status crt_decoder_info_1_0(const crt_decoder* decoder, MeshInfo10* info)
{
    return guarded([&] {
        if (!decoder || !info)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_info: decoder or info is null.");
        crt_mesh_info known{};
        const crt_status status = crt::api::decoderInfo(decoder, known);
        *info = {known.vertex_count, known.face_count, known.attribute_count};
        return status;
    });
}

CRT_1_0(crt_decoder_attribute_1_0, crt_decoder_attribute)
crt_status crt_decoder_attribute_1_0(const crt_decoder* decoder, uint32_t index, AttributeInfo10* info)
{
    return guarded([&] {
        if (!decoder || !info)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_attribute: decoder or info is null.");
        crt_attribute_info known{};
        const crt_status status = crt::api::decoderAttribute(decoder, index, known);
        if (status == CRT_OK)
            *info = {known.name, known.components, known.kind, known.type};
        return status;
    });
}

CRT_1_0(crt_decoder_decode_1_0, crt_decoder_decode)
crt_status crt_decoder_decode_1_0(crt_decoder* decoder, const Outputs10* out)
{
    return guarded([&] {
        if (!decoder || !out)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_decode: decoder or outputs is null.");
        const crt_outputs known{sizeof(crt_outputs), out->positions, out->positions_capacity,
                                out->indices,        out->indices_capacity,
                                out->normals,        out->normals_capacity,
                                out->colors,         out->colors_capacity,
                                out->uvs,            out->uvs_capacity};
        return crt::api::decode(decoder, known);
    });
}

CRT_1_0(crt_encode_options_init_1_0, crt_encode_options_init)
void crt_encode_options_init_1_0(EncodeOptions10* options)
{
    if (!options)
        return;
    const crt_encode_options defaults = crt::api::defaultOptions();
    std::memcpy(options, &defaults.position_bits, sizeof *options);
}

CRT_1_0(crt_encode_1_0, crt_encode)
crt_status crt_encode_1_0(const Mesh10* mesh, const EncodeOptions10* options, uint8_t** data, size_t* size)
{
    if (data)
        *data = nullptr;
    if (size)
        *size = 0;
    return guarded([&] {
        if (!mesh || !data || !size)
            return fail(CRT_INVALID_ARGUMENT, "crt_encode: mesh, data or size is null.");
        const crt_mesh known{sizeof(crt_mesh),    mesh->vertex_count, mesh->face_count, mesh->positions,
                             mesh->indices,       mesh->normals,      mesh->colors,     mesh->color_channels,
                             mesh->uvs,           mesh->uv_components};
        return crt::api::encode(known, options ? optionsOf(*options) : crt::api::defaultOptions(), data, size);
    });
}
