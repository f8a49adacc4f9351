#include "parts/dancers/DanceSequence.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A frame file being read: reads never go past what the file holds.
class FrameReader {
public:
    explicit FrameReader(std::FILE* file) : file_(file)
    {
        struct stat info {};
        if (fstat(fileno(file), &info) == 0 && info.st_size > 0) remaining_ = info.st_size;
    }

    // Reads up to `size` bytes into `out`; how many it got.
    size_t read(void* out, size_t size)
    {
        const size_t wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), remaining_));
        const size_t got = wanted ? std::fread(out, 1, wanted, file_) : 0;
        remaining_ = got == wanted ? remaining_ - static_cast<int64_t>(got) : 0;
        return got;
    }

    // A count followed by that many records of `Record` into `records`.
    // Only as many records as the rest of the file reaches are made.
    template <typename Record>
    void readArray(std::vector<Record>& records)
    {
        int32_t count = 0;
        if (read(&count, sizeof count) != sizeof count || count <= 0) return;
        const int64_t reachable = (remaining_ + static_cast<int64_t>(sizeof(Record)) - 1) / static_cast<int64_t>(sizeof(Record));
        const auto n = static_cast<size_t>(std::min<int64_t>(count, reachable));
        records.resize(n);
        read(records.data(), n * sizeof(Record));
    }

private:
    std::FILE* file_;
    int64_t remaining_ = 0;
};

}  // namespace

void loadDanceFrame(DanceFrame& frame, const std::string& path)
{
    frame.points.clear();
    frame.pairs.clear();
    frame.vectors.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return;
    FrameReader reader(file.get());
    // A short matrix keeps the bytes the file did not reach.
    reader.read(frame.matrixA, sizeof frame.matrixA);
    reader.read(frame.matrixB, sizeof frame.matrixB);
    reader.readArray(frame.points);
    reader.readArray(frame.pairs);
    reader.readArray(frame.vectors);
}

std::vector<std::string> listProcessedFiles(const std::string& folder, size_t cap)
{
    namespace fs = std::filesystem;
    static const std::string extension = ".processed";
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.ends_with(extension)) continue;
        std::error_code kindError;
        if (it->is_directory(kindError)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    if (names.size() > cap + 1) names.resize(cap + 1);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) paths.push_back(folder + "/" + name);
    return paths;
}

void loadDanceSequence(DanceSequence& sequence, const std::string& folder, const std::string& name)
{
    std::cout << "Adding.. " << name << std::endl;
    sequence.name = name;
    sequence.frames.clear();
    const std::vector<std::string> paths = listProcessedFiles(folder, kDanceFileCap);
    // Sized before the workers start, so no element moves while they fill them.
    sequence.frames.resize(paths.size());
    const auto count = static_cast<int64_t>(paths.size());
#pragma omp parallel for schedule(static)
    for (int64_t i = 0; i < count; ++i) {
        DanceFrame frame;
        loadDanceFrame(frame, paths[static_cast<size_t>(i)]);
        sequence.frames[static_cast<size_t>(i)] = std::move(frame);
    }
    std::cout << "ParsedSize: " << sequence.frames.size() << std::endl;
}
