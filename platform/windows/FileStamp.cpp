// A file's state for WatchedFiles: volume and file index (the file's identity,
// which changes when an editor renames a new file over the old one), size and
// last write time in 100 ns units.
#include "platform/FileWatch.h"
#include "platform/windows/WidePath.h"

#include <windows.h>

namespace platform {

WatchedFiles::Stamp WatchedFiles::stampOf(const std::string& path)
{
    // No access rights are asked for: a file another program holds open for
    // writing can still be looked at.
    HANDLE file = CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known) return {};
    const auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
    return {true, info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
            static_cast<int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
            static_cast<int64_t>(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) * 100};
}

}  // namespace platform
