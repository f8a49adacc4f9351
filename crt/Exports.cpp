// The three functions other programs call to decode a crt mesh.
#include "crt/Decoder.h"

#include "crt/MeshDecoder.h"

extern "C" CRT_EXPORT void* CreateDecoder(int length, const unsigned char* data, float* counts)
{
    if (!data)
        throw crt::kTruncated;  // no block: not even the magic can be read
    auto* decoder = new crt::MeshDecoder(data, length > 0 ? size_t(length) : 0);
    if (counts) {
        counts[0] = float(decoder->NF);
        counts[1] = float(decoder->NV);
    }
    return decoder;
}

extern "C" CRT_EXPORT int DecodeMesh(void* handle, float* positions, uint32_t* indices, float* normals,
                                     float* colors, float* uvs)
{
    auto* decoder = static_cast<crt::MeshDecoder*>(handle);
    if (!decoder || decoder->NF == 0)
        return -1;
    if (!indices)
        throw crt::kNoIndexOutput;
    decoder->bindMeshOutputs(positions, indices, normals, colors, uvs);
    decoder->decodeMesh();
    return int(decoder->NF);
}

extern "C" CRT_EXPORT void DestroyDecoder(void* handle)
{
    delete static_cast<crt::MeshDecoder*>(handle);
}
