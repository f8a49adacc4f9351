#pragma once
// The C encoder's work, on structs as this library knows them: shared by the
// entry points of crt.h and those that serve programs built against 1.0.
#include "crt/include/crt.h"

namespace crt::api {

// The defaults crt_encode_options_init gives, struct_size set.
crt_encode_options defaultOptions();
crt_status encode(const crt_mesh& mesh, const crt_encode_options& options, uint8_t** data, size_t* size);

}  // namespace crt::api
