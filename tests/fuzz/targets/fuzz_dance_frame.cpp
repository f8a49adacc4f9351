// A frame file of any content: the loader reads nothing past the file and
// makes no array larger than the file can fill.
#include "parts/dancers/DanceSequence.h"
#include "tests/fuzz/targets/FuzzFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzPath("frame.processed");
    writeFuzzFile(path, data, size);
    DanceFrame frame;
    loadDanceFrame(frame, path);
    const size_t stored = frame.points.size() * sizeof(DancePoint) + frame.pairs.size() * sizeof(DancePair) +
                          frame.vectors.size() * sizeof(DanceVector);
    // Each array may end in one record the file stops in the middle of.
    if (stored > size + sizeof(DancePoint) + sizeof(DancePair) + sizeof(DanceVector)) std::abort();
    return 0;
}
