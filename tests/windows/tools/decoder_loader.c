/* A program that wants the decoder, as another program would use it: loads the
 * player executable as a library (on Windows quellin.exe, found beside this
 * program; elsewhere the library named on the command line), looks the three
 * decoder functions up by name and decodes one crt file with them.
 *
 *   decoder_loader [LIBRARY] IN.crt OUT.bin
 *
 * OUT.bin holds the counts CreateDecoder reported, DecodeMesh's result and
 * every output array as raw bytes, so that two builds' decodes compare with
 * cmp. The positions and uvs arrays are sized for the most components a
 * stream may give them and start filled with a marker, so a decode that
 * writes the wrong amount shows in the file too. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

typedef void* (*create_fn)(int length, const unsigned char* data, float* counts);
typedef int (*decode_fn)(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                         float* uvs);
typedef void (*destroy_fn)(void* decoder);

typedef void (*any_fn)(void);

enum { MOST_COMPONENTS = 255 };

#ifdef _WIN32
typedef HMODULE library_t;
static any_fn find(library_t library, const char* name) { return (any_fn)GetProcAddress(library, name); }
#else
typedef void* library_t;
/* dlsym gives an object pointer; C converts it to a function pointer only by its bytes. */
static any_fn find(library_t library, const char* name)
{
    any_fn function;
    void* symbol = dlsym(library, name);
    memcpy(&function, &symbol, sizeof function);
    return function;
}
#endif

static unsigned char* read_file(const char* path, long* size)
{
    unsigned char* data = NULL;
    FILE* f = fopen(path, "rb");
    if (!f)
        return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0) {
        data = malloc((size_t)*size);
        if (data && fread(data, 1, (size_t)*size, f) != (size_t)*size) {
            free(data);
            data = NULL;
        }
    }
    fclose(f);
    return data;
}

static void* array_of(size_t count, size_t element)
{
    void* p = malloc(count * element + 1);
    if (p)
        memset(p, 0xA5, count * element);
    return p;
}

int main(int argc, char** argv)
{
#ifdef _WIN32
    const int first = 1;
    library_t library = LoadLibraryW(L"quellin.exe");
#else
    const int first = 2;
    library_t library = argc > 1 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : NULL;
#endif
    create_fn create;
    decode_fn decode;
    destroy_fn destroy;
    unsigned char* data;
    long size = 0;
    float counts[2] = {-1.0f, -1.0f};
    void* decoder;
    uint32_t nv, nf;
    float *positions, *normals, *colors, *uvs;
    uint32_t* indices;
    int result;
    FILE* out;

    if (argc != first + 2) {
        fprintf(stderr, "usage: decoder_loader %sIN.crt OUT.bin\n", first == 2 ? "LIBRARY " : "");
        return 2;
    }
    if (!library) {
        fprintf(stderr, "the decoder's library did not load\n");
        return 1;
    }
    create = (create_fn)find(library, "CreateDecoder");
    decode = (decode_fn)find(library, "DecodeMesh");
    destroy = (destroy_fn)find(library, "DestroyDecoder");
    if (!create || !decode || !destroy) {
        fprintf(stderr, "the library lacks CreateDecoder, DecodeMesh or DestroyDecoder\n");
        return 1;
    }
    data = read_file(argv[first], &size);
    if (!data) {
        fprintf(stderr, "%s: cannot read the file\n", argv[first]);
        return 1;
    }

    decoder = create((int)size, data, counts);
    nf = (uint32_t)counts[0];
    nv = (uint32_t)counts[1];
    positions = array_of((size_t)nv * MOST_COMPONENTS, sizeof(float));
    uvs = array_of((size_t)nv * MOST_COMPONENTS, sizeof(float));
    normals = array_of((size_t)nv * 3, sizeof(float));
    colors = array_of((size_t)nv * 4, sizeof(float));
    indices = array_of((size_t)nf * 3, sizeof(uint32_t));
    if (!positions || !uvs || !normals || !colors || !indices) {
        fprintf(stderr, "out of memory\n");
        return 1;
    }
    result = decode(decoder, positions, indices, normals, colors, uvs);
    destroy(decoder);
    destroy(NULL); /* does nothing */

    out = fopen(argv[first + 1], "wb");
    if (!out) {
        fprintf(stderr, "%s: cannot write the file\n", argv[first + 1]);
        return 1;
    }
    fwrite(counts, sizeof counts, 1, out);
    fwrite(&result, sizeof result, 1, out);
    fwrite(positions, sizeof(float), (size_t)nv * MOST_COMPONENTS, out);
    fwrite(indices, sizeof(uint32_t), (size_t)nf * 3, out);
    fwrite(normals, sizeof(float), (size_t)nv * 3, out);
    fwrite(colors, sizeof(float), (size_t)nv * 4, out);
    fwrite(uvs, sizeof(float), (size_t)nv * MOST_COMPONENTS, out);
    if (fclose(out) != 0) {
        fprintf(stderr, "%s: cannot write the file\n", argv[first + 1]);
        return 1;
    }
    printf("%u triangles, %u vertices, DecodeMesh gave %d\n", nf, nv, result);
    return 0;
}
