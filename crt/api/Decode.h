#pragma once
// The C decoder's work, on structs as this library knows them: shared by the
// entry points of crt.h and those that serve programs built against 1.0.
#include "crt/MeshDecoder.h"
#include "crt/include/crt.h"

struct crt_decoder : crt::MeshDecoder {
    using crt::MeshDecoder::MeshDecoder;
};

namespace crt::api {

crt_status createDecoder(const void* data, size_t size, const crt_limits* limits, crt_decoder** decoder);
crt_status decoderInfo(const crt_decoder* decoder, crt_mesh_info& info);
crt_status decoderAttribute(const crt_decoder* decoder, uint32_t index, crt_attribute_info& info);
crt_status decode(crt_decoder* decoder, const crt_outputs& outputs);

}  // namespace crt::api
