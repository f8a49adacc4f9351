// The C encoder: checks the mesh and the options, encodes with the settings
// crt-tool uses, and hands the stream over in a block the caller frees.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "crt/EncodeSettings.h"
#include "crt/api/Encode.h"
#include "crt/api/Guard.h"
#include "crt/api/Sized.h"

namespace {

using crt::api::fail;
using crt::api::FirstSize;
using crt::api::guarded;
using crt::api::takeSized;

// The message of the first option out of its range, or null.
const char* badOption(const crt_encode_options& o)
{
    auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    auto stepOk = [](float s) { return std::isfinite(s) && s >= 0.0f; };
    if (!within(o.position_bits, 1, 26)) return "position_bits must be within 1..26.";
    if (!stepOk(o.position_step)) return "position_step must be 0 (use the bits) or a positive number.";
    if (!within(o.normals, CRT_NORMALS_AUTO, CRT_NORMALS_RIM)) return "normals must be one of the CRT_NORMALS_ choices.";
    if (!within(o.normal_bits, 2, 24)) return "normal_bits must be within 2..24.";
    if (!within(o.color_channels, 3, 4)) return "color_channels must be 3 or 4.";
    for (int step : o.color_steps)
        if (!within(step, 1, 255)) return "color_steps must each be within 1..255.";
    if (!within(o.uv_bits, 1, 26)) return "uv_bits must be within 1..26.";
    if (!stepOk(o.uv_step)) return "uv_step must be 0 (use the bits) or a positive number.";
    if (!within(o.parallelogram, -1, 1) || !within(o.shared_bits, -1, 1))
        return "parallelogram and shared_bits must be -1 (the encoder chooses), 0 or 1.";
    if (o.entropy != CRT_ENTROPY_RAW && o.entropy != CRT_ENTROPY_TUNSTALL)
        return "entropy must be CRT_ENTROPY_RAW or CRT_ENTROPY_TUNSTALL.";
    return nullptr;
}

// The message of the first array missing or out of range in the mesh, or null.
const char* badMesh(const crt_mesh& m)
{
    if (m.vertex_count > 0 && !m.positions) return "The mesh has vertices but no positions.";
    if (m.face_count > 0 && !m.indices) return "The mesh has faces but no indices.";
    if (m.colors && m.color_channels != 3 && m.color_channels != 4) return "color_channels of the mesh must be 3 or 4.";
    if (m.uvs && (m.uv_components < 1 || m.uv_components > 4)) return "uv_components of the mesh must be within 1..4.";
    return nullptr;
}

crt::EncodeSettings settingsOf(const crt_encode_options& o)
{
    crt::EncodeSettings s;
    s.position = {o.position_step, o.position_bits};
    s.uv = {o.uv_step, o.uv_bits};
    static constexpr crt::NormalChoice choices[] = {crt::NormalChoice::Auto, crt::NormalChoice::None,
                                                     crt::NormalChoice::Diff, crt::NormalChoice::Positions,
                                                     crt::NormalChoice::Rim};
    s.normals = choices[o.normals];
    s.normalBits = o.normal_bits;
    s.colors = o.colors != 0;
    s.colorChannels = o.color_channels;
    for (int k = 0; k < 4; ++k)
        s.colorSteps[k] = o.color_steps[k];
    s.uvs = o.uvs != 0;
    s.entropy = o.entropy == CRT_ENTROPY_RAW ? crt::ENTROPY_RAW : crt::ENTROPY_TUNSTALL;
    if (o.parallelogram >= 0) s.parallelogram = o.parallelogram != 0;
    if (o.shared_bits >= 0) s.sharedBits = o.shared_bits != 0;
    s.search = o.search != 0;
    return s;
}

crt::MeshArrays arraysOf(const crt_mesh& m)
{
    crt::MeshArrays a;
    a.vertexCount = m.vertex_count;
    a.faceCount = m.face_count;
    a.positions = m.positions;
    a.indices = m.indices;
    a.normals = m.normals;
    a.colors = m.colors;
    a.colorChannels = int(m.color_channels);
    a.uvs = m.uvs;
    a.uvComponents = m.uvs ? int(m.uv_components) : 0;
    return a;
}

}  // namespace

namespace crt::api {

crt_encode_options defaultOptions()
{
    crt_encode_options options{};
    options.struct_size = uint32_t(sizeof options);
    options.position_bits = 14;
    options.normals = CRT_NORMALS_AUTO;
    options.normal_bits = 10;
    options.colors = 1;
    options.color_channels = 4;
    for (int32_t& step : options.color_steps)
        step = 1;
    options.uvs = 1;
    options.uv_bits = 12;
    options.entropy = CRT_ENTROPY_TUNSTALL;
    options.parallelogram = -1;
    options.shared_bits = -1;
    options.search = 1;
    return options;
}

crt_status encode(const crt_mesh& mesh, const crt_encode_options& o, uint8_t** data, size_t* size)
{
    if (const char* why = badOption(o))
        return fail(CRT_INVALID_ARGUMENT, why);
    if (const char* why = badMesh(mesh))
        return fail(CRT_INVALID_ARGUMENT, why);

    const crt::EncodeResult result = crt::encodeMesh(arraysOf(mesh), {}, settingsOf(o));
    auto* block = static_cast<uint8_t*>(std::malloc(result.bytes.size()));
    if (!block)
        return fail(CRT_OUT_OF_MEMORY);
    std::memcpy(block, result.bytes.data(), result.bytes.size());
    *data = block;
    *size = result.bytes.size();
    return CRT_OK;
}

}  // namespace crt::api

extern "C" {

CRT_API crt_status crt_encode_options_init(crt_encode_options* options, size_t struct_size)
{
    return guarded([&] {
        if (!options || struct_size < FirstSize<crt_encode_options>::value || struct_size > UINT32_MAX)
            return fail(CRT_INVALID_ARGUMENT,
                        "crt_encode_options_init: options is null or struct_size is not sizeof the struct.");
        const crt_encode_options defaults = crt::api::defaultOptions();
        std::memcpy(options, &defaults, std::min(struct_size, sizeof defaults));
        options->struct_size = uint32_t(struct_size);
        return CRT_OK;
    });
}

CRT_API crt_status crt_encode(const crt_mesh* mesh, const crt_encode_options* options, uint8_t** data, size_t* size)
{
    if (data)
        *data = nullptr;
    if (size)
        *size = 0;
    return guarded([&] {
        if (!mesh || !data || !size)
            return fail(CRT_INVALID_ARGUMENT, "crt_encode: mesh, data or size is null.");
        crt_mesh known{};
        if (!takeSized(*mesh, known))
            return fail(CRT_INVALID_ARGUMENT, "crt_encode: the mesh's struct_size is too small (set it to sizeof the struct).");
        crt_encode_options o = crt::api::defaultOptions();
        if (options && !takeSized(*options, o))
            return fail(CRT_INVALID_ARGUMENT,
                        "crt_encode: the options' struct_size is too small (make them with crt_encode_options_init).");
        return crt::api::encode(known, o, data, size);
    });
}

CRT_API void crt_free(void* buffer)
{
    std::free(buffer);
}

}  // extern "C"
