// How a path written for the Windows platform reaches this machine's file system: "X:\a\b" is
// <drive root>/x/a/b (drive letters in lower case; ".." stops at the drive), '\' and '/' both
// separate, and POSIX absolute or relative paths pass through with their separators unified. Paths
// given in the ANSI code page are converted to UTF-8 first; wide paths from their code points.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

std::filesystem::path hostPath(std::wstring_view windowsPath);
std::filesystem::path hostPathFromAnsi(std::string_view ansiPath);

}  // namespace platform
