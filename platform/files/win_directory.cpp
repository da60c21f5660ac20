#include "platform/files/win_directory.h"

#include "platform/base/win_error.h"
#include "platform/files/drive_root.h"
#include "platform/files/path_mapping.h"
#include "platform/text/ansi_code_page.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// "X:", "X:\" and the like: a drive, which exists and cannot be made.
bool isBareDrive(std::wstring_view path) {
    if (path.size() < 2 || path[1] != L':' || !isDriveLetter(path[0])) return false;
    for (size_t i = 2; i < path.size(); ++i) {
        if (!isSeparator(path[i])) return false;
    }
    return true;
}

// The drive's own folder under the drive root, made on first use so that drives always exist.
void ensureDriveFolder(std::wstring_view path) {
    if (path.size() < 2 || path[1] != L':' || !isDriveLetter(path[0])) return;
    std::error_code ignored;
    std::filesystem::create_directories(platform::hostPath(path.substr(0, 2)), ignored);
}

BOOL fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

}  // namespace

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    if (!lpPathName || !*lpPathName) return fail(ERROR_INVALID_PARAMETER);
    const std::wstring_view path(lpPathName);
    if (isBareDrive(path)) return fail(ERROR_ACCESS_DENIED);
    ensureDriveFolder(path);
    const std::filesystem::path target = platform::hostPath(path);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) return fail(ERROR_ALREADY_EXISTS);
    std::filesystem::path parent = target.parent_path();
    if (parent.empty()) parent = ".";
    if (!std::filesystem::is_directory(parent, error)) return fail(ERROR_PATH_NOT_FOUND);
    if (!std::filesystem::create_directory(target, error) || error) {
        return fail(error == std::errc::file_exists ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
    }
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES attributes) {
    if (!lpPathName || !*lpPathName) return fail(ERROR_INVALID_PARAMETER);
    const std::wstring wide = platform::ansiToWideText(lpPathName);
    return CreateDirectoryW(wide.c_str(), attributes);
}
