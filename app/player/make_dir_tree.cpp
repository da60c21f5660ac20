// Making a folder path level by level, for the folders snapshots and recordings are saved in.
#include "app/player/video_player.h"

#include "platform/files/win_directory.h"
#include "platform/text/win_code_page.h"

#include <string>

void MakeDirTree(const char* path) {
    if (path == nullptr) return;
    // Walked as characters, not bytes: the second byte of a double-byte character of the ANSI code
    // page may have the value of a backslash.
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 1) return;
    std::wstring levels(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, levels.data(), length) != length) return;
    levels.resize(static_cast<size_t>(length - 1));
    for (size_t i = 0; i < levels.size(); ++i) {
        if (levels[i] != L'\\' && levels[i] != L'/') continue;
        // Cut the path after this level; a level that exists (or a bare drive) fails quietly.
        levels[i] = L'\0';
        CreateDirectoryW(levels.c_str(), nullptr);
        levels[i] = L'\\';
    }
    CreateDirectoryW(levels.c_str(), nullptr);
}
