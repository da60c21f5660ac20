#include "platform/base/win_message_text.h"

#include "platform/base/win_error.h"

#include <cstdlib>
#include <cstring>

namespace {

struct MessageText {
    DWORD code;
    const char* text;
};

constexpr MessageText kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {1400, "Invalid window handle.\r\n"},
};

const char* systemText(DWORD code) {
    for (const MessageText& message : kMessages) {
        if (message.code == code) return message.text;
    }
    return nullptr;
}

}  // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize, va_list*) {
    const char* text = (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) ? systemText(dwMessageId) : nullptr;
    if (text == nullptr || lpBuffer == nullptr) {
        SetLastError(text == nullptr ? ERROR_MR_MID_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = std::strlen(text);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* copy = static_cast<char*>(std::malloc(length + 1));
        if (copy == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(copy, text, length + 1);
        *reinterpret_cast<LPSTR*>(lpBuffer) = copy;
        return static_cast<DWORD>(length);
    }
    if (nSize <= length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text, length + 1);
    return static_cast<DWORD>(length);
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}
