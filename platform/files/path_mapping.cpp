#include "platform/files/path_mapping.h"

#include "platform/text/ansi_code_page.h"
#include "platform/files/drive_root.h"
#include "platform/text/utf_text.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace platform {
namespace {

bool isDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool hasDrive(std::wstring_view path) { return path.size() >= 2 && path[1] == L':' && isDriveLetter(path[0]); }

// Appends the levels of a path below a drive: "." is dropped and ".." goes up one level but never
// above the drive itself, as on the original platform, so that no drive path leaves the drive root.
void appendBelowDrive(std::filesystem::path& drive, std::wstring_view rest) {
    std::vector<std::wstring_view> levels;
    while (!rest.empty()) {
        const size_t slash = rest.find(L'/');
        const std::wstring_view level = rest.substr(0, slash);
        if (level == L"..") {
            if (!levels.empty()) levels.pop_back();
        } else if (!level.empty() && level != L".") {
            levels.push_back(level);
        }
        rest = slash == std::wstring_view::npos ? std::wstring_view() : rest.substr(slash + 1);
    }
    for (std::wstring_view level : levels) drive /= wideToUtf8Text(level);
}

}  // namespace

std::filesystem::path hostPath(std::wstring_view windowsPath) {
    std::wstring unified(windowsPath);
    std::replace(unified.begin(), unified.end(), L'\\', L'/');
    if (!hasDrive(unified)) return std::filesystem::path(wideToUtf8Text(unified));

    const auto drive = static_cast<char>(std::tolower(static_cast<unsigned char>(unified[0])));
    std::filesystem::path mapped = driveRoot() / std::string(1, drive);
    appendBelowDrive(mapped, std::wstring_view(unified).substr(2));
    return mapped;
}

std::filesystem::path hostPathFromAnsi(std::string_view ansiPath) { return hostPath(ansiToWideText(ansiPath)); }

}  // namespace platform
