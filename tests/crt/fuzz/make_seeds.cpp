// Writes the test suite's valid seed streams into a folder, one file each,
// for the fuzzer to start from: make_seeds DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "SeedStreams.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: make_seeds DIR\n");
        return 2;
    }
    const auto seeds = crttest::seedStreams();
    for (size_t k = 0; k < seeds.size(); ++k) {
        std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(k) + ".crt", std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[k].data()), std::streamsize(seeds[k].size()));
    }
    return 0;
}
