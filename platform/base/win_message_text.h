// System message texts for error codes (FormatMessageA from the system table, allocating).
#pragma once

#include "platform/base/win_types.h"

#include <cstdarg>

typedef HANDLE HLOCAL;

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000

#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

#define ERROR_MR_MID_NOT_FOUND 317L

// Only FORMAT_MESSAGE_FROM_SYSTEM is supported. With FORMAT_MESSAGE_ALLOCATE_BUFFER, lpBuffer
// receives (as an LPSTR*) a buffer the caller frees with LocalFree. Answers the text's length, or 0
// with ERROR_MR_MID_NOT_FOUND for a code the system has no text for.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                            DWORD nSize, va_list* Arguments);
HLOCAL WINAPI LocalFree(HLOCAL hMem);
