#include "platform/windows/WidePath.h"

#include <windows.h>

namespace platform {

std::wstring widePath(const std::string& path)
{
    if (path.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    return wide;
}

std::string narrowPath(const std::wstring& path)
{
    if (path.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

}  // namespace platform
