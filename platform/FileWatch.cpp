#include "platform/FileWatch.h"

namespace platform {

// WatchedFiles::stampOf asks the system, in platform/<system>/FileStamp.cpp.

void WatchedFiles::add(const std::string& path)
{
    for (const File& file : files_)
        if (file.path == path) return;  // an include met twice keeps its first state
    files_.push_back({path, stampOf(path)});
}

bool WatchedFiles::changed() const
{
    for (const File& file : files_)
        if (!(stampOf(file.path) == file.stamp)) return true;
    return false;
}

}  // namespace platform
