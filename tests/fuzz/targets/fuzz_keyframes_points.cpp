// Keyframe and point files of any text: pairs only, always 10000 points.
#include "parts/dancers/KeyframeTrack.h"
#include "parts/dancers/PointCloud.h"
#include "tests/fuzz/targets/FuzzFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzPath("numbers.txt");
    writeFuzzFile(path, data, size);

    KeyframeTrack track;
    if (!track.load(path)) std::abort();
    if (track.times.size() != track.values.size()) std::abort();
    for (float t : {-1e9f, 0.0f, 67.9f, 154.0f, 1e9f}) (void)track.valueAt(t);
    for (float t : track.times) (void)track.valueAt(t);

    if (readPointFile(path).size() != kCloudPointCount) std::abort();
    return 0;
}
