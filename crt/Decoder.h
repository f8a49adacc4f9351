#pragma once
// The crt decoder's exported interface, for programs that link libcrt.so or
// load the player. Failures are thrown as `const char*` messages.
#include <cstdint>

#include "crt/include/crt.h"

// Exported as crt.h's functions are: from the shared library and, through
// the build's export list, from an executable that takes the codec's objects.
#define CRT_EXPORT CRT_API

extern "C" {

// Parses the header of the crt stream in data[0 .. length) (length <= 0: the
// length is unknown) and writes counts[0] = NF, counts[1] = NV. The block must
// stay alive and unchanged until DestroyDecoder.
CRT_EXPORT void* CreateDecoder(int length, const unsigned char* data, float* counts);

// Decodes the mesh: positions (NV x N floats), indices (3 x NF), normals
// (NV x 3), colors (NV x 4, RGBA), uvs (NV x N); any output but indices may be
// null. Returns NF, or -1 for a stream without faces (nothing is written).
CRT_EXPORT int DecodeMesh(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                          float* uvs);

// Destroys a decoder from CreateDecoder; null does nothing.
CRT_EXPORT void DestroyDecoder(void* decoder);
}
