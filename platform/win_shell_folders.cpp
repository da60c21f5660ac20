#include "platform/win_shell_folders.h"

#include "platform/drive_root.h"
#include "platform/utf_text.h"

#include <algorithm>

BOOL WINAPI SHGetSpecialFolderPathW(HWND, LPWSTR pszPath, int csidl, BOOL fCreate) {
    if (!pszPath || csidl != CSIDL_FONTS) return FALSE;
    const std::filesystem::path folder = platform::fontsFolder();
    const std::wstring path = platform::utf8ToWideText(folder.string());
    if (path.size() + 1 > MAX_PATH) return FALSE;
    if (fCreate) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
    }
    std::copy(path.begin(), path.end(), pszPath);
    pszPath[path.size()] = L'\0';
    return TRUE;
}
