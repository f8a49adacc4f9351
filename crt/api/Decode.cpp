// The C decoder: a crt::MeshDecoder behind an opaque handle, with every output
// array checked against its capacity before the body is decoded.
#include <cstring>
#include <iterator>

#include "crt/MeshDecoder.h"
#include "crt/api/Decode.h"
#include "crt/api/Guard.h"
#include "crt/api/Sized.h"

namespace {

using crt::api::fail;
using crt::api::giveSized;
using crt::api::guarded;
using crt::api::takeSized;

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

const char* tooSmall(const char* call, const char* what)
{
    static thread_local char text[160];
    text[0] = '\0';
    append(text, call);
    append(text, ": ");
    append(text, what);
    append(text, " is null or its struct_size is too small (set it to sizeof the struct).");
    return text;
}

// The first limit the mesh exceeds, as a message; null when none is.
const char* exceeded(const crt_decoder& decoder, const crt_limits& limits)
{
    static thread_local char text[200];
    const crt::DecodeNeeds needs = decoder.needs();
    const uint64_t bytes = needs.outputBytes + needs.workingBytes;
    const struct {
        const char* what;
        uint64_t needed, limit;
    } checks[] = {{"vertices", decoder.NV, limits.max_vertices},
                  {"faces", decoder.NF, limits.max_faces},
                  {"bytes of output and working memory", bytes, limits.max_bytes}};
    for (const auto& c : checks) {
        if (c.limit == 0 || c.needed <= c.limit)
            continue;
        text[0] = '\0';
        append(text, "The crt stream needs ");
        append(text, c.needed);
        append(text, " ");
        append(text, c.what);
        append(text, "; the limit is ");
        append(text, c.limit);
        append(text, ".");
        return text;
    }
    return nullptr;
}

}  // namespace

namespace crt::api {

crt_status createDecoder(const void* data, size_t size, const crt_limits* limits, crt_decoder** decoder)
{
    if (!decoder)
        return fail(CRT_INVALID_ARGUMENT, "crt_decoder_create: decoder is null.");
    *decoder = nullptr;
    crt_limits known{};
    if (limits && !takeSized(*limits, known))
        return fail(CRT_INVALID_ARGUMENT, tooSmall("crt_decoder_create_limited", "limits"));
    if (size == 0)  // not even the magic
        return fail(CRT_TRUNCATED);
    if (!data)
        return fail(CRT_INVALID_ARGUMENT, "crt_decoder_create: data is null.");
    // The header alone: its descriptors take memory in proportion to the
    // block's length, nothing in proportion to the counts.
    auto* created = new crt_decoder(static_cast<const uint8_t*>(data), size);
    if (const char* why = exceeded(*created, known)) {
        delete created;
        return fail(CRT_LIMIT, why);
    }
    *decoder = created;
    return CRT_OK;
}

crt_status decoderInfo(const crt_decoder* decoder, crt_mesh_info& info)
{
    const crt::DecodeNeeds needs = decoder->needs();
    info.vertex_count = decoder->NV;
    info.face_count = decoder->NF;
    info.attribute_count = uint32_t(decoder->attributes.size());
    info.output_bytes = needs.outputBytes;
    info.working_bytes = needs.workingBytes;
    return CRT_OK;
}

crt_status decoderAttribute(const crt_decoder* decoder, uint32_t index, crt_attribute_info& info)
{
    if (index >= decoder->attributes.size())
        return fail(CRT_INVALID_ARGUMENT, "crt_decoder_attribute: index beyond the attribute count.");
    const auto entry = std::next(decoder->attributes.begin(), index);
    info.name = entry->first.c_str();
    info.components = uint32_t(entry->second->outputWidth());
    info.kind = entry->second->codecId();
    info.type = CRT_FLOAT32;
    return CRT_OK;
}

crt_status decode(crt_decoder* decoder, const crt_outputs& out)
{
    if (decoder->NF == 0)
        return fail(CRT_NO_FACES);
    if (!out.indices)
        return fail(CRT_INVALID_ARGUMENT, "crt_decoder_decode: indices is null.");
    // Binding writes nothing; it refuses an attribute wider than its array.
    decoder->bindMeshOutputs(out.positions, out.indices, out.normals, out.colors, out.uvs);
    crt_status status = CRT_OK;
    const bool allFit =
        fits(out.indices, out.indices_capacity, 3 * uint64_t(decoder->NF), "indices", status) &&
        fits(out.positions, out.positions_capacity, decoder->outputFloats("position"), "positions", status) &&
        fits(out.normals, out.normals_capacity, decoder->outputFloats("normal"), "normals", status) &&
        fits(out.colors, out.colors_capacity, decoder->outputFloats("color"), "colors", status) &&
        fits(out.uvs, out.uvs_capacity, decoder->outputFloats("uv"), "uvs", status);
    if (!allFit)
        return status;
    decoder->decodeMesh();
    return CRT_OK;
}

}  // namespace crt::api

extern "C" {

CRT_API crt_status crt_decoder_create(const void* data, size_t size, crt_decoder** decoder)
{
    return guarded([&] { return crt::api::createDecoder(data, size, nullptr, decoder); });
}

CRT_API crt_status crt_decoder_create_limited(const void* data, size_t size, const crt_limits* limits,
                                              crt_decoder** decoder)
{
    return guarded([&] { return crt::api::createDecoder(data, size, limits, decoder); });
}

CRT_API crt_status crt_decoder_info(const crt_decoder* decoder, crt_mesh_info* info)
{
    return guarded([&] {
        crt_mesh_info known{};
        if (!decoder || !info || !crt::api::sizeKnown<crt_mesh_info>(info->struct_size))
            return fail(CRT_INVALID_ARGUMENT, tooSmall("crt_decoder_info", "decoder or info"));
        const crt_status status = crt::api::decoderInfo(decoder, known);
        giveSized(*info, known);
        return status;
    });
}

CRT_API crt_status crt_decoder_attribute(const crt_decoder* decoder, uint32_t index, crt_attribute_info* info)
{
    return guarded([&] {
        crt_attribute_info known{};
        if (!decoder || !info || !crt::api::sizeKnown<crt_attribute_info>(info->struct_size))
            return fail(CRT_INVALID_ARGUMENT, tooSmall("crt_decoder_attribute", "decoder or info"));
        const crt_status status = crt::api::decoderAttribute(decoder, index, known);
        if (status == CRT_OK)
            giveSized(*info, known);
        return status;
    });
}

CRT_API crt_status crt_decoder_decode(crt_decoder* decoder, const crt_outputs* outputs)
{
    return guarded([&] {
        crt_outputs known{};
        if (!decoder || !outputs || !takeSized(*outputs, known))
            return fail(CRT_INVALID_ARGUMENT, tooSmall("crt_decoder_decode", "decoder or outputs"));
        return crt::api::decode(decoder, known);
    });
}

CRT_API void crt_decoder_destroy(crt_decoder* decoder)
{
    delete decoder;
}

}  // extern "C"
