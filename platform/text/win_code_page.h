// Code-page conversions of the platform: CP_ACP is the system's ANSI code page, GBK (code page 936);
// CP_UTF8 is UTF-8. Wide text holds one code point per WCHAR (wchar_t is 32-bit here), so lengths
// in wide characters count wchar_t units.
#pragma once

#include "platform/base/win_types.h"

typedef const CHAR* LPCCH;
typedef const WCHAR* LPCWCH;
typedef BOOL* LPBOOL;

#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

// Length rules of both calls: a source length of -1 means "up to and including the terminator"
// (and the result then counts the terminator); a source length of 0 or below -1 fails with
// ERROR_INVALID_PARAMETER; a destination size of 0 asks for the needed length without writing;
// a destination too small fails with ERROR_INSUFFICIENT_BUFFER. Invalid input becomes U+FFFD
// (or the default character when converting to the ANSI code page) unless the *_ERR_INVALID_CHARS
// flag asks for ERROR_NO_UNICODE_TRANSLATION instead.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);

// lpDefaultChar and lpUsedDefaultChar apply to the ANSI code page only; with CP_UTF8 they must be
// null (ERROR_INVALID_PARAMETER otherwise), as on the original platform.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar);
