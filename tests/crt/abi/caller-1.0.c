/* A program as it was written and built against crt 1.0 (its header beside
 * this file), run against the library of today: every 1.0 call, with guard
 * words behind each struct the library writes, must behave as 1.0 did. */
#include <crt.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define GUARD 0x5AFEC0DEu

static int failures = 0;

static void check(int ok, const char* what)
{
    if (!ok) {
        printf("FAIL: %s (last error: %s)\n", what, crt_last_error());
        ++failures;
    }
}

static int guards_intact(const unsigned* guard)
{
    int k;
    for (k = 0; k < 4; ++k)
        if (guard[k] != GUARD)
            return 0;
    return 1;
}

int main(void)
{
    /* An octahedron with normals and RGB colours. */
    static const float positions[] = {1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1};
    static const uint32_t indices[] = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    float colors[18];
    struct { crt_encode_options o; unsigned guard[4]; } options;
    struct { crt_mesh_info i; unsigned guard[4]; } info;
    struct { crt_attribute_info a; unsigned guard[4]; } attribute;
    crt_mesh mesh;
    crt_outputs out;
    crt_decoder* decoder = NULL;
    uint8_t* data = NULL;
    size_t size = 0;
    float decoded[18], normals[18], rgba[24];
    uint32_t triangles[24];
    const char* names[] = {"color", "normal", "position"};
    const uint32_t widths[] = {4, 3, 3};
    uint32_t k;

    printf("crt %s\n", crt_version());
    for (k = 0; k < 18; ++k)
        colors[k] = fabsf(positions[k]);

    memset(options.guard, 0x5A, sizeof options.guard);
    for (k = 0; k < 4; ++k)
        options.guard[k] = GUARD;
    crt_encode_options_init(&options.o);
    check(guards_intact(options.guard), "crt_encode_options_init wrote past the 1.0 struct");
    check(options.o.position_bits == 14 && options.o.normal_bits == 10 && options.o.color_channels == 4 &&
              options.o.uv_bits == 12 && options.o.entropy == CRT_ENTROPY_TUNSTALL && options.o.parallelogram == -1 &&
              options.o.shared_bits == -1 && options.o.search == 1,
          "crt_encode_options_init gave other defaults");
    options.o.normals = CRT_NORMALS_DIFF;
    options.o.color_channels = 3;

    memset(&mesh, 0, sizeof mesh);
    mesh.vertex_count = 6;
    mesh.face_count = 8;
    mesh.positions = positions;
    mesh.indices = indices;
    mesh.normals = positions;
    mesh.colors = colors;
    mesh.color_channels = 3;
    check(crt_encode(&mesh, &options.o, &data, &size) == CRT_OK && data && size > 0, "crt_encode");
    check(crt_decoder_create(data, size, &decoder) == CRT_OK, "crt_decoder_create");
    if (failures)
        return 1;

    for (k = 0; k < 4; ++k)
        info.guard[k] = GUARD;
    check(crt_decoder_info(decoder, &info.i) == CRT_OK, "crt_decoder_info");
    check(guards_intact(info.guard), "crt_decoder_info wrote past the 1.0 struct");
    check(info.i.vertex_count == 6 && info.i.face_count == 8 && info.i.attribute_count == 3,
          "crt_decoder_info gave other counts");
    for (k = 0; k < 3; ++k) {
        memset(attribute.guard, 0, sizeof attribute.guard);
        attribute.guard[0] = attribute.guard[1] = attribute.guard[2] = attribute.guard[3] = GUARD;
        check(crt_decoder_attribute(decoder, k, &attribute.a) == CRT_OK, "crt_decoder_attribute");
        check(guards_intact(attribute.guard), "crt_decoder_attribute wrote past the 1.0 struct");
        check(attribute.a.name && strcmp(attribute.a.name, names[k]) == 0 && attribute.a.components == widths[k] &&
                  attribute.a.type == CRT_FLOAT32,
              "crt_decoder_attribute gave another attribute");
    }
    check(crt_decoder_attribute(decoder, 0, &attribute.a) == CRT_OK && attribute.a.kind == CRT_KIND_COLOR,
          "the colour attribute's kind");

    memset(&out, 0, sizeof out);
    out.positions = decoded;
    out.positions_capacity = 18;
    out.indices = triangles;
    out.indices_capacity = 23; /* one short */
    out.normals = normals;
    out.normals_capacity = 18;
    out.colors = rgba;
    out.colors_capacity = 24;
    check(crt_decoder_decode(decoder, &out) == CRT_CAPACITY, "a short index array refused");
    check(strstr(crt_last_error(), "indices") != NULL, "the capacity message names the array");
    out.indices_capacity = 24;
    check(crt_decoder_decode(decoder, &out) == CRT_OK, "crt_decoder_decode");
    for (k = 0; k < 24; ++k)
        check(triangles[k] < 6, "an index beyond the vertices");
    for (k = 0; k < 6; ++k) {
        const float* p = decoded + 3 * k;
        const float* n = normals + 3 * k;
        check(fabsf(fabsf(p[0]) + fabsf(p[1]) + fabsf(p[2]) - 1.0f) < 1e-3f, "a position off the octahedron");
        check(fabsf(n[0] * p[0] + n[1] * p[1] + n[2] * p[2] - 1.0f) < 1e-2f, "a normal off its vertex");
        check(fabsf(rgba[4 * k + 3] - 1.0f) < 1e-6f, "an RGB colour not opaque");
    }

    crt_decoder_destroy(decoder);
    check(crt_decoder_create(data, size / 2, &decoder) == CRT_TRUNCATED || decoder == NULL ||
              crt_decoder_decode(decoder, &out) == CRT_TRUNCATED,
          "half a stream refused");
    crt_decoder_destroy(decoder);
    check(strcmp(crt_status_message(CRT_CORRUPT), "Corrupt crt stream.") == 0, "crt_status_message");
    crt_free(data);
    if (failures)
        return 1;
    printf("every 1.0 call behaves as in 1.0\n");
    return 0;
}
