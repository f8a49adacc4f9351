// The C decoder: a crt::MeshDecoder behind an opaque handle, with every output
// array checked against its capacity before the body is decoded.
#include <cstdio>
#include <iterator>

#include "crt/MeshDecoder.h"
#include "crt/api/Guard.h"

struct crt_decoder : crt::MeshDecoder {
    using crt::MeshDecoder::MeshDecoder;
};

namespace {

using crt::api::fail;
using crt::api::guarded;

// Refuses an array that cannot hold what decoding writes into it.
bool fits(const void* array, size_t capacity, uint64_t needed, const char* name, crt_status& status)
{
    if (!array || needed <= capacity)
        return true;
    char detail[160];
    std::snprintf(detail, sizeof detail, "The %s array holds %llu elements; the mesh needs %llu.", name,
                  static_cast<unsigned long long>(capacity), static_cast<unsigned long long>(needed));
    status = fail(CRT_CAPACITY, detail);
    return false;
}

}  // namespace

extern "C" {

CRT_API crt_status crt_decoder_create(const void* data, size_t size, crt_decoder** decoder)
{
    return guarded([&] {
        if (!decoder)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_create: decoder is null.");
        *decoder = nullptr;
        if (size == 0)  // not even the magic
            return fail(CRT_TRUNCATED);
        if (!data)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_create: data is null.");
        *decoder = new crt_decoder(static_cast<const uint8_t*>(data), size);
        return CRT_OK;
    });
}

CRT_API crt_status crt_decoder_info(const crt_decoder* decoder, crt_mesh_info* info)
{
    return guarded([&] {
        if (!decoder || !info)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_info: decoder or info is null.");
        info->vertex_count = decoder->NV;
        info->face_count = decoder->NF;
        info->attribute_count = uint32_t(decoder->attributes.size());
        return CRT_OK;
    });
}

CRT_API crt_status crt_decoder_attribute(const crt_decoder* decoder, uint32_t index, crt_attribute_info* info)
{
    return guarded([&] {
        if (!decoder || !info)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_attribute: decoder or info is null.");
        if (index >= decoder->attributes.size())
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_attribute: index beyond the attribute count.");
        const auto entry = std::next(decoder->attributes.begin(), index);
        info->name = entry->first.c_str();
        info->components = uint32_t(entry->second->outputWidth());
        info->kind = crt_attribute_kind(entry->second->codecId());
        info->type = CRT_FLOAT32;
        return CRT_OK;
    });
}

CRT_API crt_status crt_decoder_decode(crt_decoder* decoder, const crt_outputs* out)
{
    return guarded([&] {
        if (!decoder || !out)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_decode: decoder or outputs is null.");
        if (decoder->NF == 0)
            return fail(CRT_NO_FACES);
        if (!out->indices)
            return fail(CRT_INVALID_ARGUMENT, "crt_decoder_decode: indices is null.");
        // Binding writes nothing; it refuses an attribute wider than its array.
        decoder->bindMeshOutputs(out->positions, out->indices, out->normals, out->colors, out->uvs);
        crt_status status = CRT_OK;
        const bool allFit =
            fits(out->indices, out->indices_capacity, 3 * uint64_t(decoder->NF), "indices", status) &&
            fits(out->positions, out->positions_capacity, decoder->outputFloats("position"), "positions", status) &&
            fits(out->normals, out->normals_capacity, decoder->outputFloats("normal"), "normals", status) &&
            fits(out->colors, out->colors_capacity, decoder->outputFloats("color"), "colors", status) &&
            fits(out->uvs, out->uvs_capacity, decoder->outputFloats("uv"), "uvs", status);
        if (!allFit)
            return status;
        decoder->runMeshDecode();
        return CRT_OK;
    });
}

CRT_API void crt_decoder_destroy(crt_decoder* decoder)
{
    delete decoder;
}

}  // extern "C"
