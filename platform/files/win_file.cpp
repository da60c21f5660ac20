#include "platform/files/win_file.h"

#include "platform/files/path_mapping.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>

errno_t fopen_s(FILE** pFile, const char* filename, const char* mode) {
    if (!pFile) return EINVAL;
    *pFile = nullptr;
    if (!filename || !mode) return EINVAL;
    *pFile = std::fopen(platform::hostPathFromAnsi(filename).c_str(), mode);
    return *pFile ? 0 : errno;
}

int _wremove(const wchar_t* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    return std::remove(platform::hostPath(path).c_str());
}

int _wrename(const wchar_t* oldName, const wchar_t* newName) {
    if (!oldName || !newName) {
        errno = EINVAL;
        return -1;
    }
    // As on the original platform, renaming onto an existing file fails instead of replacing it.
    const int result = renameat2(AT_FDCWD, platform::hostPath(oldName).c_str(), AT_FDCWD,
                                 platform::hostPath(newName).c_str(), RENAME_NOREPLACE);
    if (result != 0 && errno == EEXIST) errno = EACCES;
    return result;
}
