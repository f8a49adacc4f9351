// libFuzzer target: any byte block through CreateDecoder and DecodeMesh must
// decode or be refused with a message; anything else (a crash, a sanitizer
// report, another exception type, a hang) is a finding.
#include <cstddef>
#include <cstdint>

#include "CarefulCaller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A length of 0 tells the decoder the end is unknown; the fuzzer's block
    // always has a known end.
    if (size == 0 || size > size_t(INT32_MAX))
        return 0;
    crttest::decodeCarefully(data, size);
    return 0;
}
