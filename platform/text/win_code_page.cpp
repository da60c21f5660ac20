#include "platform/text/win_code_page.h"

#include "platform/text/ansi_code_page.h"
#include "platform/text/utf_text.h"
#include "platform/base/win_error.h"

#include <utf8.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

// The calling thread's ANSI code page is the system's: no thread sets a locale of its own here.
bool isAnsi(UINT codePage) { return codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage == 936; }
bool isSupported(UINT codePage) { return isAnsi(codePage) || codePage == CP_UTF8; }

bool isScalarValue(wchar_t c) {
    const auto v = static_cast<uint32_t>(c);
    return v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF);
}

int fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// Copies a converted text into the caller's buffer under the platform's length rules.
template <typename Char>
int deliver(const std::basic_string<Char>& converted, Char* destination, int destinationSize) {
    const auto needed = static_cast<int>(std::min<size_t>(converted.size(), INT32_MAX));
    if (destinationSize == 0) return needed;
    if (needed > destinationSize) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(converted.begin(), converted.begin() + needed, destination);
    return needed;
}

// The default character for the ANSI code page: one single-byte character, or one lead and trail
// byte pair, taken from the front of the caller's text.
std::string_view defaultCharOf(LPCCH lpDefaultChar) {
    if (!lpDefaultChar || !*lpDefaultChar) return "?";
    const bool doubleByte = static_cast<unsigned char>(lpDefaultChar[0]) >= 0x80 && lpDefaultChar[1];
    return std::string_view(lpDefaultChar, doubleByte ? 2 : 1);
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    if (!isSupported(CodePage) || !lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const std::string_view source(lpMultiByteStr, length);
    const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    // Kept per thread: text drawn on every frame is converted without allocating.
    thread_local std::wstring converted;
    if (isAnsi(CodePage)) {
        if (platform::decodeAnsi(source, converted) && strict) return fail(ERROR_NO_UNICODE_TRANSLATION);
    } else {
        if (strict && !utf8::is_valid(source.begin(), source.end())) return fail(ERROR_NO_UNICODE_TRANSLATION);
        converted = platform::utf8ToWideText(source);
    }
    return deliver(converted, lpWideCharStr, cchWideChar);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    if (!isSupported(CodePage) || !lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || (CodePage == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const size_t length = cchWideChar == -1 ? std::wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    const std::wstring_view source(lpWideCharStr, length);
    thread_local std::string converted;
    if (isAnsi(CodePage)) {
        const bool usedDefault = platform::encodeAnsi(source, defaultCharOf(lpDefaultChar), converted);
        if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    } else {
        const bool strict = (dwFlags & WC_ERR_INVALID_CHARS) != 0;
        if (strict && !std::all_of(source.begin(), source.end(), isScalarValue)) {
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        }
        converted = platform::wideToUtf8Text(source);
    }
    return deliver(converted, lpMultiByteStr, cbMultiByte);
}
