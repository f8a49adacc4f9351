#pragma once
// The readers under test take paths: each input is written to a file of the
// fuzzer process's own, in the system's temporary folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

inline std::string fuzzPath(const std::string& name)
{
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / ("quellin-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder + "/" + name;
}

inline void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
}
