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
    decoder->connectivity.faces32 = indices;
    // The caller's arrays hold per vertex as many floats as the position and
    // uv descriptors declare, 3 normal and 4 colour floats: a stream whose
    // attribute of that name writes more per vertex is refused.
    if (decoder->NV > 0)
        decoder->bindOutput("position", positions, decoder->declaredComponents("position"));
    decoder->bindOutput("normal", normals, 3);
    decoder->bindOutput("color", colors, 4);
    decoder->bindOutput("uv", uvs, decoder->declaredComponents("uv"));
    decoder->runMeshDecode();
    return int(decoder->NF);
}

extern "C" CRT_EXPORT void DestroyDecoder(void* handle)
{
    delete static_cast<crt::MeshDecoder*>(handle);
}
