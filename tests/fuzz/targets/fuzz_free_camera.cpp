// "FreeCam.bin" of any content, read as the player's start does (a shorter
// file replaces only what it holds), then a few camera updates in both modes
// (orbit or walk as the record says) with drags from the rest of the input.
#include "live/FreeCam.h"
#include "tests/fuzz/targets/FuzzFiles.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzPath("FreeCam.bin");
    writeFuzzFile(path, data, size);

    TFreeCam camera;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        [[maybe_unused]] const size_t read = std::fread(&camera, 1, sizeof(camera), file);
        std::fclose(file);
    }

    // Drags: pairs of floats and a button byte from past the record.
    size_t at = sizeof(TFreeCam);
    for (int step = 0; step < 8; ++step) {
        float x = 0, y = 0;
        uint8_t buttons = static_cast<uint8_t>(step * 37);
        if (at + 9 <= size) {
            std::memcpy(&x, data + at, 4);
            std::memcpy(&y, data + at + 4, 4);
            buttons = data[at + 8];
            at += 9;
        } else {
            x = static_cast<float>(step * 13);
            y = static_cast<float>(step * -7);
        }
        camera.Rotate(x, y, buttons & 1, buttons & 2, buttons & 4);
    }
    return 0;
}
