#include "platform/path_mapping.h"

#include "platform/ansi_code_page.h"
#include "platform/drive_root.h"
#include "platform/utf_text.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace platform {
namespace {

bool isDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool hasDrive(std::wstring_view path) { return path.size() >= 2 && path[1] == L':' && isDriveLetter(path[0]); }

}  // namespace

std::filesystem::path hostPath(std::wstring_view windowsPath) {
    std::wstring unified(windowsPath);
    std::replace(unified.begin(), unified.end(), L'\\', L'/');
    if (!hasDrive(unified)) return std::filesystem::path(wideToUtf8Text(unified));

    const auto drive = static_cast<char>(std::tolower(static_cast<unsigned char>(unified[0])));
    std::wstring_view rest = std::wstring_view(unified).substr(2);
    while (!rest.empty() && rest.front() == L'/') rest.remove_prefix(1);
    std::filesystem::path mapped = driveRoot() / std::string(1, drive);
    if (!rest.empty()) mapped /= wideToUtf8Text(rest);
    return mapped;
}

std::filesystem::path hostPathFromAnsi(std::string_view ansiPath) { return hostPath(ansiToWideText(ansiPath)); }

}  // namespace platform
