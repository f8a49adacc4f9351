#pragma once
// Paths are UTF-8 in the player and UTF-16 in the Windows API.
#include <string>

namespace platform {

std::wstring widePath(const std::string& path);
std::string narrowPath(const std::wstring& path);

}  // namespace platform
