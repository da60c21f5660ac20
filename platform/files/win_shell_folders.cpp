#include "platform/files/win_shell_folders.h"

#include "platform/files/drive_root.h"

#include <algorithm>
#include <string_view>

// The answer is the folder's Windows path, as on the original platform; every file call maps it to
// <drive root>/c/Windows/Fonts. It stays short and in the ANSI code page whatever the drive root's
// own path holds, so callers may pass it on as ANSI text or in a MAX_PATH buffer.
BOOL WINAPI SHGetSpecialFolderPathW(HWND, LPWSTR pszPath, int csidl, BOOL fCreate) {
    constexpr std::wstring_view kFontsFolder = L"C:\\Windows\\Fonts";
    if (!pszPath || csidl != CSIDL_FONTS) return FALSE;
    if (fCreate) {
        std::error_code ignored;
        std::filesystem::create_directories(platform::fontsFolder(), ignored);
    }
    std::copy(kFontsFolder.begin(), kFontsFolder.end(), pszPath);
    pszPath[kFontsFolder.size()] = L'\0';
    return TRUE;
}
