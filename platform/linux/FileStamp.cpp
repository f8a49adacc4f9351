// A file's state for WatchedFiles: device and inode, size, modification time.
#include "platform/FileWatch.h"

#include <sys/stat.h>

namespace platform {

WatchedFiles::Stamp WatchedFiles::stampOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    return {true, static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
            static_cast<int64_t>(info.st_size),
            static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace platform
