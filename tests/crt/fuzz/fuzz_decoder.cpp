// libFuzzer target: any byte block through CreateDecoder and DecodeMesh must
// decode or be refused with a message, and the C interface must give the same
// outcome as a status; anything else (a crash, a sanitizer report, another
// exception type, an exception through the C interface, two different
// outcomes, a hang) is a finding.
#include <cstddef>
#include <cstdint>

#include "CarefulCaller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A length of 0 tells the decoder the end is unknown; the fuzzer's block
    // always has a known end.
    if (size == 0 || size > size_t(INT32_MAX))
        return 0;
    const std::string thrown = crttest::decodeCarefully(data, size);
    const std::string status = crttest::decodeCarefullyThroughC(data, size);
    if (thrown != status && thrown != crttest::kTooLarge && status != crttest::kTooLarge)
        __builtin_trap();
    return 0;
}
