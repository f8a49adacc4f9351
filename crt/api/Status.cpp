// Status messages, the per-thread message of the last failure, the version.
#include <cstring>

#include "crt/Errors.h"
#include "crt/api/Guard.h"

#define CRT_STRINGIFY_(x) #x
#define CRT_STRINGIFY(x) CRT_STRINGIFY_(x)

namespace crt::api {
namespace {

// A fixed buffer: recording a failure must not allocate (it may be reporting
// that allocation failed).
thread_local char lastError[1024] = "";

}  // namespace

crt_status fail(crt_status status, const char* detail) noexcept
{
    // Copied by hand: the formatting functions would add a tenth to the
    // WebAssembly build of the decoder.
    std::strncpy(lastError, detail ? detail : crt_status_message(status), sizeof lastError - 1);
    lastError[sizeof lastError - 1] = '\0';
    return status;
}

void clearLastError() noexcept
{
    lastError[0] = '\0';
}

const char* lastErrorText() noexcept
{
    return lastError;
}

crt_status statusOfMessage(const char* message) noexcept
{
    const struct {
        const char* text;
        crt_status status;
    } known[] = {{kNotCrtFile, CRT_NOT_CRT},         {kUnknownEntropy, CRT_UNKNOWN_ENTROPY},
                 {kTruncated, CRT_TRUNCATED},        {kCorrupt, CRT_CORRUPT},
                 {kNoPosition, CRT_NO_POSITION},     {kPositionOverloaded, CRT_POSITION_OVERLOADED},
                 {kNoIndexOutput, CRT_INVALID_ARGUMENT}};
    for (const auto& k : known)
        if (message && std::strcmp(message, k.text) == 0)
            return k.status;
    return CRT_INTERNAL;
}

}  // namespace crt::api

extern "C" {

CRT_API const char* crt_status_message(crt_status status)
{
    switch (status) {
    case CRT_OK: return "No error.";
    case CRT_NOT_CRT: return crt::kNotCrtFile;
    case CRT_UNKNOWN_ENTROPY: return crt::kUnknownEntropy;
    case CRT_TRUNCATED: return crt::kTruncated;
    case CRT_CORRUPT: return crt::kCorrupt;
    case CRT_NO_POSITION: return crt::kNoPosition;
    case CRT_POSITION_OVERLOADED: return crt::kPositionOverloaded;
    case CRT_NO_FACES: return "The crt stream holds points without faces.";
    case CRT_INVALID_ARGUMENT: return "Invalid argument.";
    case CRT_CAPACITY: return "An output array is too small for the mesh.";
    case CRT_OUT_OF_MEMORY: return "Out of memory.";
    case CRT_ENCODE_FAILED: return "The mesh cannot be encoded.";
    case CRT_INTERNAL: return "Internal error in the crt library.";
    case CRT_LIMIT: return "The crt stream needs more than the decoder's limits allow.";
    }
    return "Unknown crt status.";
}

CRT_API const char* crt_last_error(void)
{
    return crt::api::lastErrorText();
}

CRT_API const char* crt_version(void)
{
    return CRT_STRINGIFY(CRT_VERSION_MAJOR) "." CRT_STRINGIFY(CRT_VERSION_MINOR) "." CRT_STRINGIFY(CRT_VERSION_PATCH);
}

}  // extern "C"
