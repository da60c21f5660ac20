#include "scripting/utf8_tools.h"

#include "platform/text/win_code_page.h"

#include <algorithm>
#include <climits>

namespace FB {

// Both directions go through the system's UTF-8 code page, which replaces invalid input with
// U+FFFD instead of failing, so text from the page can always be converted. Text longer than an
// int can count is cut there (no script value comes near it).

std::wstring utf8ToWide(const std::string& utf8) {
    const int length = static_cast<int>(std::min<size_t>(utf8.size(), INT_MAX));
    if (length == 0) return std::wstring();
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    return wide;
}

std::string wideToUtf8(const std::wstring& wide) {
    const int length = static_cast<int>(std::min<size_t>(wide.size(), INT_MAX));
    if (length == 0) return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string utf8(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

}  // namespace FB
