/* Decodes a crt file into arrays of its own and prints what it holds. The
 * file comes from outside, so the decoder works under the safe limits. */
#include <crt.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The whole file in a block from malloc, or null. */
static unsigned char* read_file(const char* path, size_t* size)
{
    unsigned char* data = NULL;
    long length;
    FILE* f = fopen(path, "rb");
    if (!f)
        return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (length = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0) {
        data = malloc((size_t)length);
        if (data && fread(data, 1, (size_t)length, f) != (size_t)length) {
            free(data);
            data = NULL;
        }
        *size = (size_t)length;
    }
    fclose(f);
    return data;
}

int main(int argc, char** argv)
{
    size_t size = 0;
    unsigned char* data;
    crt_decoder* decoder = NULL;
    const crt_limits limits = CRT_LIMITS_DEFAULT_SAFE;
    /* Every struct says how large it is: the library fills no more. */
    crt_mesh_info info = {.struct_size = sizeof info};
    crt_outputs out = {.struct_size = sizeof out};
    crt_status status;
    uint32_t i, position_components = 0;

    if (argc != 2) {
        fprintf(stderr, "usage: %s MESH.crt\n", argv[0]);
        return 2;
    }
    data = read_file(argv[1], &size);
    if (!data) {
        fprintf(stderr, "%s: cannot read the file\n", argv[1]);
        return 1;
    }

    /* The decoder reads from data until it is destroyed. A header that asks
     * for more than the limits is refused here, before the mesh takes memory. */
    status = crt_decoder_create_limited(data, size, &limits, &decoder);
    if (status == CRT_OK)
        status = crt_decoder_info(decoder, &info);
    if (status == CRT_OK)
        printf("crt %s: %u vertices, %u triangles\n", crt_version(), info.vertex_count, info.face_count);
    for (i = 0; status == CRT_OK && i < info.attribute_count; ++i) {
        crt_attribute_info attribute = {.struct_size = sizeof attribute};
        status = crt_decoder_attribute(decoder, i, &attribute);
        if (status != CRT_OK)
            break;
        printf("attribute %s: %u floats per vertex\n", attribute.name, attribute.components);
        if (strcmp(attribute.name, "position") == 0)
            position_components = attribute.components;
    }
    if (status != CRT_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], crt_last_error());
        crt_decoder_destroy(decoder);
        free(data);
        return 1;
    }

    /* Positions and indices; the normals, colours and uvs are passed over. */
    out.positions_capacity = (size_t)info.vertex_count * position_components;
    out.indices_capacity = (size_t)info.face_count * 3;
    /* + 1: malloc(0) may give null. */
    out.positions = malloc(out.positions_capacity * sizeof(float) + 1);
    out.indices = malloc(out.indices_capacity * sizeof(uint32_t) + 1);
    status = out.positions && out.indices ? crt_decoder_decode(decoder, &out) : CRT_OUT_OF_MEMORY;

    if (status != CRT_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], status == CRT_OUT_OF_MEMORY ? "out of memory" : crt_last_error());
    } else if (position_components == 3 && info.vertex_count > 0) {
        float low[3], high[3];
        uint32_t v, k;
        for (k = 0; k < 3; ++k)
            low[k] = high[k] = out.positions[k];
        for (v = 1; v < info.vertex_count; ++v)
            for (k = 0; k < 3; ++k) {
                const float x = out.positions[v * 3 + k];
                low[k] = x < low[k] ? x : low[k];
                high[k] = x > high[k] ? x : high[k];
            }
        printf("bounds: (%.3f, %.3f, %.3f) to (%.3f, %.3f, %.3f)\n", low[0], low[1], low[2], high[0], high[1],
               high[2]);
        printf("first triangle: %u %u %u\n", out.indices[0], out.indices[1], out.indices[2]);
    }

    free(out.positions);
    free(out.indices);
    crt_decoder_destroy(decoder);
    free(data);
    return status == CRT_OK ? 0 : 1;
}
