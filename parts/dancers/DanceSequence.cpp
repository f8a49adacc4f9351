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
        if (got < size) short_ = true;
        return got;
    }

    // Whether the file ended before all it announced was read.
    bool cutShort() const { return short_; }

    // A count followed by that many records of `Record` into `records`.
    // Only as many records as the rest of the file reaches are made.
    template <typename Record>
    void readArray(std::vector<Record>& records)
    {
        int32_t count = 0;
        if (read(&count, sizeof count) != sizeof count || count <= 0) return;
        const int64_t reachable = (remaining_ + static_cast<int64_t>(sizeof(Record)) - 1) / static_cast<int64_t>(sizeof(Record));
        const auto n = static_cast<size_t>(std::min<int64_t>(count, reachable));
        if (static_cast<size_t>(count) > n) short_ = true;
        records.resize(n);
        read(records.data(), n * sizeof(Record));
    }

private:
    std::FILE* file_;
    int64_t remaining_ = 0;
    bool short_ = false;
};

}  // namespace

bool loadDanceFrame(DanceFrame& frame, const std::string& path)
{
    frame.points.clear();
    frame.pairs.clear();
    frame.vectors.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    FrameReader reader(file.get());
    // A short matrix keeps the bytes the file did not reach.
    reader.read(frame.matrixA, sizeof frame.matrixA);
    reader.read(frame.matrixB, sizeof frame.matrixB);
    reader.readArray(frame.points);
    reader.readArray(frame.pairs);
    reader.readArray(frame.vectors);
    return !reader.cutShort();
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
    int64_t damaged = 0;
#pragma omp parallel for schedule(static) reduction(+ : damaged)
    for (int64_t i = 0; i < count; ++i) {
        DanceFrame frame;
        if (!loadDanceFrame(frame, paths[static_cast<size_t>(i)])) ++damaged;
        sequence.frames[static_cast<size_t>(i)] = std::move(frame);
    }
    // The show plays such frames as far as they go; say which recording has them.
    if (damaged > 0)
        std::cout << "loadDanceSequence() : " << damaged << " of " << count << " frame files in " << folder
                  << " are cut short or unreadable; what they lack stays empty" << std::endl;
    std::cout << "ParsedSize: " << sequence.frames.size() << std::endl;
}
