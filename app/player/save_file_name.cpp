#include "app/player/save_file_name.h"

#include "platform/time/win_local_time.h"

#include <cstdio>
#include <cstring>

bool NamesAFolder(const char* folder) {
    return folder != nullptr && folder[std::strspn(folder, "\\/")] != '\0';
}

bool FormatSaveFileName(char* out, size_t size, const char* folder, const char* extension) {
    if (out == nullptr || size == 0) return false;
    std::memset(out, 0, size);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int length = std::snprintf(out, size, "%s\\%04d%02d%02d%02d%02d%02d.%s", folder, now.wYear, now.wMonth,
                                     now.wDay, now.wHour, now.wMinute, now.wSecond, extension);
    if (length >= 0 && static_cast<size_t>(length) < size) return true;
    std::memset(out, 0, size);
    return false;
}
