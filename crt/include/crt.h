/* crt.h: the crt compressed-mesh codec for C and every language that calls C.
 *
 * Every function returns a crt_status (or nothing); none throws, aborts or
 * writes past an array it was given with its capacity. Decoders share no
 * state, so different threads may use different decoders at the same time;
 * one decoder must not be used by two threads at once.
 *
 * Growing without breaking callers: every struct passed to the library starts
 * with struct_size, which the caller sets to sizeof the struct as its header
 * has it (crt_mesh_info info = { sizeof info };). The library reads and
 * writes only that much, so a later 1.x adds fields at the end of a struct and
 * still serves programs built against an earlier header. Fields that hold one
 * of the enumerations below are fixed-width integers.
 *
 * Includable by a C99 compiler and by C++. */
#ifndef CRT_H
#define CRT_H

#include <stddef.h>
#include <stdint.h>

/* Building crt.dll exports the functions (CRT_BUILDING), its users import
 * them; a static library (CRT_STATIC) needs neither. */
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(CRT_STATIC)
#define CRT_API
#elif defined(CRT_BUILDING)
#define CRT_API __declspec(dllexport)
#else
#define CRT_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CRT_API __attribute__((visibility("default")))
#else
#define CRT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define CRT_VERSION_MAJOR 1
#define CRT_VERSION_MINOR 1
#define CRT_VERSION_PATCH 0

typedef enum crt_status {
    CRT_OK = 0,
    CRT_NOT_CRT = 1,             /* "Not a crt file." */
    CRT_UNKNOWN_ENTROPY = 2,     /* "Unknown entropy" */
    CRT_TRUNCATED = 3,           /* "Truncated crt stream." */
    CRT_CORRUPT = 4,             /* "Corrupt crt stream." */
    CRT_NO_POSITION = 5,         /* "No position attribute found. Use DIFF normal strategy instead." */
    CRT_POSITION_OVERLOADED = 6, /* "Position attr has been overloaded, Use DIFF normal strategy instead." */
    CRT_NO_FACES = 7,            /* the stream holds points without faces */
    CRT_INVALID_ARGUMENT = 8,    /* a null pointer, a struct_size too small, or a value out of range */
    CRT_CAPACITY = 9,            /* an output array is smaller than the mesh needs; nothing was written */
    CRT_OUT_OF_MEMORY = 10,
    CRT_ENCODE_FAILED = 11,      /* the mesh or the options cannot be encoded; crt_last_error() says why */
    CRT_INTERNAL = 12,           /* a failure the library did not foresee */
    CRT_LIMIT = 13               /* the stream needs more than the decoder's limits allow (since 1.1) */
} crt_status;

/* The message of a status: for the stream errors the same texts the
 * exported C++ functions throw. Never null; static storage. */
CRT_API const char* crt_status_message(crt_status status);

/* The message of the last failing call on this thread, with any detail the
 * status alone cannot carry (the encoder's reason, say). Valid until the next
 * call into the library on this thread; "" when nothing failed. */
CRT_API const char* crt_last_error(void);

/* "MAJOR.MINOR.PATCH" of the library actually loaded. */
CRT_API const char* crt_version(void);

/* ---- decoding ---------------------------------------------------------- */

typedef struct crt_decoder crt_decoder;

/* Values of crt_attribute_info.kind. */
typedef enum crt_attribute_kind {
    CRT_KIND_GENERIC = 1, /* positions, uvs and any other named channel */
    CRT_KIND_NORMAL = 2,  /* unit vectors, 3 floats per vertex */
    CRT_KIND_COLOR = 3    /* R, G, B, A floats in 0..1 per vertex */
} crt_attribute_kind;

/* Values of crt_attribute_info.type. */
typedef enum crt_element_type {
    CRT_FLOAT32 = 6 /* every output array holds 32-bit floats (indices: uint32) */
} crt_element_type;

/* What a decoder may take, checked by crt_decoder_create_limited against the
 * header before anything is allocated for the mesh. 0 in a field: no limit. */
typedef struct crt_limits {
    uint32_t struct_size;  /* sizeof(crt_limits) */
    uint32_t max_vertices;
    uint32_t max_faces;
    uint64_t max_bytes;    /* output_bytes + working_bytes of crt_mesh_info */
} crt_limits;

/* Limits no real mesh meets (the largest scans in common use have a few
 * million triangles) that keep a hostile stream from taking more than about
 * a gigabyte. The Python and JavaScript bindings decode under these unless
 * told otherwise; C decodes without limits unless given some. */
#define CRT_DEFAULT_SAFE_MAX_VERTICES 16777216u /* 2^24 */
#define CRT_DEFAULT_SAFE_MAX_FACES 16777216u    /* 2^24 */
#define CRT_DEFAULT_SAFE_MAX_BYTES 1073741824u  /* 1 GiB */
#define CRT_LIMITS_DEFAULT_SAFE                                                                               \
    {                                                                                                         \
        sizeof(crt_limits), CRT_DEFAULT_SAFE_MAX_VERTICES, CRT_DEFAULT_SAFE_MAX_FACES, CRT_DEFAULT_SAFE_MAX_BYTES \
    }

typedef struct crt_mesh_info {
    uint32_t struct_size;     /* sizeof(crt_mesh_info), set by the caller */
    uint32_t vertex_count;
    uint32_t face_count;      /* triangles; 3 indices each */
    uint32_t attribute_count; /* attributes stored, in name order */
    uint64_t output_bytes;    /* the arrays a decode into every output writes: indices and the position,
                                 normal, color and uv floats the stream holds */
    uint64_t working_bytes;   /* the most the decoder allocates for itself during a decode, all of it
                                 released when the decode ends */
} crt_mesh_info;

typedef struct crt_attribute_info {
    uint32_t struct_size; /* sizeof(crt_attribute_info), set by the caller */
    uint32_t components;  /* values per vertex that decoding writes */
    const char* name;     /* "position", "normal", "color", "uv" or another; lives as long as the decoder */
    int32_t kind;         /* a crt_attribute_kind */
    int32_t type;         /* a crt_element_type */
} crt_attribute_info;

/* Output arrays with their capacities in elements (floats, or uint32 for the
 * indices). A null array is not written (its attribute is still read past);
 * indices may not be null. Needed: positions vertex_count x components of
 * "position", indices 3 x face_count, normals 3 x vertex_count, colors
 * 4 x vertex_count, uvs vertex_count x components of "uv". */
typedef struct crt_outputs {
    uint32_t struct_size; /* sizeof(crt_outputs), set by the caller */
    float* positions;
    size_t positions_capacity;
    uint32_t* indices;
    size_t indices_capacity;
    float* normals;
    size_t normals_capacity;
    float* colors;
    size_t colors_capacity;
    float* uvs;
    size_t uvs_capacity;
} crt_outputs;

/* Reads the header of the crt stream in data[0 .. size), without limits: a
 * stream of a hundred bytes may claim a mesh of many gigabytes, which the
 * decode will then try to make. For data from outside, use
 * crt_decoder_create_limited. The block must stay alive and unchanged until
 * crt_decoder_destroy. On failure *decoder is null. */
CRT_API crt_status crt_decoder_create(const void* data, size_t size, crt_decoder** decoder);

/* The same under limits (null: none): a stream whose header asks for more is
 * refused with CRT_LIMIT, and crt_last_error() says which limit and by how
 * much. (since 1.1) */
CRT_API crt_status crt_decoder_create_limited(const void* data, size_t size, const crt_limits* limits,
                                              crt_decoder** decoder);

/* Counts and the memory a decode needs. */
CRT_API crt_status crt_decoder_info(const crt_decoder* decoder, crt_mesh_info* info);

/* The index-th attribute (0 .. attribute_count - 1), in name order. */
CRT_API crt_status crt_decoder_attribute(const crt_decoder* decoder, uint32_t index, crt_attribute_info* info);

/* Decodes the mesh into the caller's arrays. Capacities are checked before
 * anything is written (CRT_CAPACITY). A stream without faces gives
 * CRT_NO_FACES. A decoder may decode again; each call starts from the body.
 * The decoder's working memory is released before the call returns. */
CRT_API crt_status crt_decoder_decode(crt_decoder* decoder, const crt_outputs* outputs);

/* Null does nothing. */
CRT_API void crt_decoder_destroy(crt_decoder* decoder);

/* ---- encoding ---------------------------------------------------------- */

/* A triangle mesh to encode. positions and indices are required; the other
 * arrays may be null. */
typedef struct crt_mesh {
    uint32_t struct_size;     /* sizeof(crt_mesh), set by the caller */
    uint32_t vertex_count;
    uint32_t face_count;
    const float* positions;   /* 3 floats per vertex */
    const uint32_t* indices;  /* 3 per face, each below vertex_count */
    const float* normals;     /* 3 floats per vertex, or null */
    const float* colors;      /* color_channels floats per vertex in 0..1, or null */
    uint32_t color_channels;  /* 3 or 4 when colors is given */
    const float* uvs;         /* uv_components floats per vertex, or null */
    uint32_t uv_components;   /* 1 to 4 when uvs is given */
} crt_mesh;

/* Values of crt_encode_options.normals. */
typedef enum crt_normal_choice {
    CRT_NORMALS_AUTO = 0,      /* predicted from the positions when the mesh has normals */
    CRT_NORMALS_NONE = 1,      /* not stored */
    CRT_NORMALS_DIFF = 2,      /* each from the previous one */
    CRT_NORMALS_POSITIONS = 3, /* predicted from the positions */
    CRT_NORMALS_RIM = 4        /* from the positions, corrected on the rim */
} crt_normal_choice;

/* Values of crt_encode_options.entropy. */
typedef enum crt_entropy {
    CRT_ENTROPY_RAW = 0,
    CRT_ENTROPY_TUNSTALL = 1
} crt_entropy;

/* The choices crt-tool encode offers; made by crt_encode_options_init. A
 * positive step wins over bits for positions and uvs. */
typedef struct crt_encode_options {
    uint32_t struct_size;     /* recorded by crt_encode_options_init */
    int32_t position_bits;    /* 1..26, default 14 */
    float position_step;      /* default 0 */
    int32_t normals;          /* a crt_normal_choice, default CRT_NORMALS_AUTO */
    int32_t normal_bits;      /* 2..24, default 10 */
    int32_t colors;           /* store colours when given, default 1 */
    int32_t color_channels;   /* stored channels 3 or 4, default 4 */
    int32_t color_steps[4];   /* R, G, B, A quantisation steps 1..255, default 1 */
    int32_t uvs;              /* store uvs when given, default 1 */
    int32_t uv_bits;          /* 1..26, default 12 */
    float uv_step;            /* default 0 */
    int32_t entropy;          /* a crt_entropy, default CRT_ENTROPY_TUNSTALL */
    int32_t parallelogram;    /* parallelogram prediction: 1 on, 0 off, -1 (default) the encoder chooses */
    int32_t shared_bits;      /* one bit count for all components: 1, 0, or -1 (default) the encoder chooses;
                                 setting either of the two fixes both, the unset one then on */
    int32_t search;           /* look for the smallest stream that decodes to the same mesh, default 1 */
} crt_encode_options;

/* Fills the first struct_size bytes of options with the defaults and records
 * struct_size: crt_encode_options_init(&options, sizeof options). */
CRT_API crt_status crt_encode_options_init(crt_encode_options* options, size_t struct_size);

/* Encodes the mesh (options null: the defaults) into a buffer the library
 * allocates; release it with crt_free. On failure *data is null, *size 0. */
CRT_API crt_status crt_encode(const crt_mesh* mesh, const crt_encode_options* options, uint8_t** data,
                              size_t* size);

/* Releases a buffer from crt_encode; null does nothing. */
CRT_API void crt_free(void* buffer);

#ifdef __cplusplus
}
#endif

#endif /* CRT_H */
