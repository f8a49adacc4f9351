// The C decoder: a crt::MeshDecoder behind an opaque handle, with every output
// array checked against its capacity before the body is decoded.
#include <cstring>
#include <iterator>

#include "crt/MeshDecoder.h"
#include "crt/api/Guard.h"

struct crt_decoder : crt::MeshDecoder {
    using crt::MeshDecoder::MeshDecoder;
};

namespace {

using crt::api::fail;
using crt::api::guarded;

// Message text put together without the formatting functions, which would
// add a tenth to the WebAssembly build of the decoder.
template <size_t Size>
void append(char (&text)[Size], const char* more)
{
    const size_t used = std::strlen(text);
    std::strncat(text, more, Size - 1 - used);
}

template <size_t Size>
void append(char (&text)[Size], uint64_t number)
{
    char digits[21];
    char* first = digits + sizeof digits - 1;
    *first = '\0';
    do
        *--first = char('0' + number % 10);
    while (number /= 10);
    append(text, first);
}

// Refuses an array that cannot hold what decoding writes into it.
bool fits(const void* array, size_t capacity, uint64_t needed, const char* name, crt_status& status)
{
    if (!array || needed <= capacity)
        return true;
    char detail[160] = "";
    append(detail, "The ");
    append(detail, name);
    append(detail, " array holds ");
    append(detail, capacity);
    append(detail, " elements; the mesh needs ");
    append(detail, needed);
    append(detail, ".");
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
